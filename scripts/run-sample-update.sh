#!/usr/bin/env bash
# The main job on a sample: builds Quadrivo.exe (64-bit, which Wine runs here),
# makes a throwaway Wine prefix with Lindarex installed in C:\Lindarex and an
# update medium on D:\Upd, runs "Quadrivo.exe D:\Upd\Lindarex" under a virtual
# display, answers its message box with OK, and prints the folders before and
# after, the box and the exit status. Everything it starts it stops again.
# Needs root for apt-get when something is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make python3 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 wine wine64 xvfb)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target Quadrivo quadrivo_e2e_launcher

build=build/windows-x64
session=$(mktemp -d /tmp/quadrivo-sample-XXXXXX)
trap 'rm -rf "$session"' EXIT
python3 tests/e2e/e2e_driver.py sample --state "$session/wine" --program "$build/Quadrivo.exe" \
  --launcher "$build/tests/e2e/quadrivo_e2e_launcher.exe"
