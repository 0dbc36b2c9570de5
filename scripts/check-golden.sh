#!/usr/bin/env bash
# Runs a jellycube-trace (native, emulated, under Wine or node) with --hash for every run of
# tests/golden/state_hash.txt and checks that it prints the hash written there.
# Usage: scripts/check-golden.sh NAME COMMAND...   (COMMAND runs the tool; NAME starts messages)
set -euo pipefail
name=$1
shift
golden=$(dirname "$0")/../tests/golden/state_hash.txt
grep '^--' "$golden" | while read -r line; do
    args=${line% *}
    want=${line##* }
    # shellcheck disable=SC2086 # the words are the arguments
    got=$("$@" --hash $args)
    if [ "$got" != "$want" ]; then
        echo "$name: $* --hash $args gave $got; tests/golden/state_hash.txt gives $want" >&2
        exit 1
    fi
    echo "$name: --hash $args: $got, as in tests/golden/state_hash.txt"
done
