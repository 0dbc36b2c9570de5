#!/usr/bin/env bash
# Runs one command under a private Xvfb and returns its status.
# Usage: with_xvfb.sh COMMAND...
set -u
source "$(dirname "$0")/xvfb.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/jellycube-xvfb.XXXXXX") || exit 1
xvfb_pid=
trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
start_xvfb "$work" || exit 1
timeout 120 "$@"
