#!/usr/bin/env bash
# Builds the core and its native test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang) and runs the whole suite; any report of
# either sanitizer ends the test that made it, and so fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
