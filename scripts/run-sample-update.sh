#!/usr/bin/env bash
# The main job on a sample: builds Quadrivo.exe (64-bit, which Wine runs here),
# makes a throwaway Wine prefix with Lindarex installed in C:\Lindarex and an
# update medium on D:\Upd, runs "Quadrivo.exe D:\Upd\Lindarex" under a virtual
# display, answers its message box with OK, and prints the folders before and
# after, the box and the exit status. Everything it starts it stops again.
# Needs root for apt-get when something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Quadrivo quadrivo_e2e_launcher

build=build/windows-x64
session=$(mktemp -d /tmp/quadrivo-sample-XXXXXX)
trap 'rm -rf "$session"' EXIT
python3 tests/e2e/e2e_driver.py sample --state "$session/wine" --program "$build/Quadrivo.exe" \
  --launcher "$build/tests/e2e/quadrivo_e2e_launcher.exe"
