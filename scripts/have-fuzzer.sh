#!/usr/bin/env bash
# Succeeds where clang++ can link a libFuzzer target, which the fuzz smoke of make test needs.
set -u
command -v clang++ >/dev/null 2>&1 || exit 1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$work/probe.cpp"
clang++ -fsanitize=fuzzer "$work/probe.cpp" -o "$work/probe" >/dev/null 2>&1
