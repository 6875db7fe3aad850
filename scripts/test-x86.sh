#!/usr/bin/env bash
# Builds the core and its native suite as a 32-bit program (g++ -m32, linked
# statically, MinSizeRel like the discs' build) and runs the whole suite under
# qemu-i386, so that faults only a 32-bit size_t shows are caught before a
# disc ships. The Win32 layer's 32-bit build is compiled by
# scripts/test-windows.sh, not run; the fuzzers and sanitizers stay 64-bit.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v qemu-i386 >/dev/null || {
  echo "test-x86: qemu-i386 is missing (bash scripts/install-deps.sh installs it)" >&2
  exit 2
}

cmake --preset native-x86 >/dev/null
cmake --build --preset native-x86
ctest --preset native-x86
