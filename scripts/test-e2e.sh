#!/usr/bin/env bash
# Runs the end-to-end runs under Wine and the checks of the executables'
# properties, in the windows-x64 build (building it first). The 32-bit
# executable is checked when build/windows-x86 holds one.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
ctest --test-dir build/windows-x64 -L 'e2e|pe' --output-on-failure "$@"
