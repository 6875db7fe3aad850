#!/usr/bin/env bash
# Runs every test of the project: the native suite, the same suite as a
# 32-bit program under qemu-i386 and under AddressSanitizer and
# UndefinedBehaviorSanitizer, each fuzz target for a
# bounded time, and the Windows builds with their whole suite under Wine
# (the suite cross-compiled, the Win32 layer, end-to-end runs of
# Quadrivo.exe, real faults, the executables' properties); then that two
# builds of the commit give the same Quadrivo.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

echo "== Native suite"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== Native suite, 32-bit, under qemu-i386"
bash scripts/test-x86.sh

echo "== Sanitizers"
bash scripts/test-sanitizers.sh

echo "== Fuzzing"
bash scripts/fuzz.sh

echo "== Windows builds, under Wine"
bash scripts/test-windows.sh

echo "== Reproducible build"
bash scripts/check-reproducible.sh
