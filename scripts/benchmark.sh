#!/usr/bin/env bash
# Measures Quadrivo.exe under Wine: copy time against xcopy of the help folder
# alone, against a batch file doing the update's whole work in one cmd.exe and
# against the same work done natively without Wine; start-up against a program
# that only shows a message box, with Quadrivo.exe's manifest and without one;
# peak memory for a small and a large help folder, and the size and imports of
# both executables. Builds what it
# needs first (64- and 32-bit, in build/benchmark-x64 and build/benchmark-x86,
# configured like the windows-x64 and windows-x86 presets), then prints a
# Markdown table. Reports only: these machines are shared, so nothing here
# passes or fails on the figures.
#
#   bash scripts/benchmark.sh [--runs N] [--start-up-runs N] [--memory-runs N]
#
# BENCH_BUILD_X64 and BENCH_BUILD_X86 choose other build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
x64=${BENCH_BUILD_X64:-$root/build/benchmark-x64}
x86=${BENCH_BUILD_X86:-$root/build/benchmark-x86}

for tool in wine wineserver Xvfb x86_64-w64-mingw32-g++-win32 i686-w64-mingw32-g++-win32 python3; do
  command -v "$tool" >/dev/null || {
    echo "benchmark: $tool is missing (bash scripts/install-deps.sh installs it)" >&2
    exit 2
  }
done

echo "Building the 64-bit programs in $x64 ..." >&2
cmake -S bench -B "$x64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$x64" -j2 >/dev/null
echo "Building the 32-bit Quadrivo.exe in $x86 ..." >&2
cmake -S . -B "$x86" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DQUADRIVO_TESTS=OFF >/dev/null
cmake --build "$x86" -j2 --target Quadrivo >/dev/null

state=$(mktemp -d /tmp/quadrivo-benchmark-XXXXXX)
trap 'rm -rf "$state"' EXIT
PYTHONDONTWRITEBYTECODE=1 python3 bench/benchmark.py --build "$x64" --x86 "$x86/Quadrivo.exe" --state "$state/session" "$@"
