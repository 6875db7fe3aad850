#!/usr/bin/env bash
# Builds Quadrivo.exe for 64-bit and 32-bit Windows and runs every test of
# each build under Wine, each in a Wine prefix of its own: the 32-bit build,
# the disc's, where Wine's 32-bit side is installed (scripts/install-deps.sh
# installs it where this machine runs 32-bit programs); where it is not, says
# so and names what was not run. Builds the benchmark's programs too (they are
# not run), so that a change that breaks them fails here. Then shows
# osslsigncode's verification of the copy that e2e.signed_copy signed.
set -euo pipefail
cd "$(dirname "$0")/.."

prefixes=()
stop_wineservers() {
  for prefix in "${prefixes[@]}"; do
    if [[ -d $prefix ]]; then WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; fi
  done
}
trap stop_wineservers EXIT

has_wine32() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"
}

# Builds the preset and runs its whole suite under Wine.
run_suite() {
  local preset=$1 prefix="$PWD/build/$1/wine-prefix"
  prefixes+=("$prefix")
  # The prefix is made once, and its wineserver kept alive for the whole test
  # run rather than started again for every test. A wineserver still running
  # (the one that made the prefix) makes "wineserver -p" fail, so that one is
  # let go first.
  bash cmake/wine-run.sh "$prefix"
  WINEPREFIX=$prefix wineserver -w
  WINEPREFIX=$prefix wineserver -p
  # Wine now and then fails to start a process at all (a test then ends at
  # once with no output); the tests that failed are run once more, so that
  # only a fault that shows twice fails the run. The first failures stay in
  # the log.
  if ! ctest --preset "$preset"; then
    echo "== Running the tests of $preset that failed under Wine once more"
    ctest --preset "$preset" --rerun-failed
  fi
  echo "== $preset: $(ctest --preset "$preset" -N | sed -n 's/^Total Tests: //p') tests under Wine"
}

for preset in windows-x64 windows-x86; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset
done
echo "== The benchmark's programs (built, not run)"
cmake -S bench -B build/benchmark-x64 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build/benchmark-x64 -j2 >/dev/null

run_suite windows-x64
if has_wine32; then
  run_suite windows-x86
else
  echo "== Not run: the windows-x86 suite under Wine (Win32 layer, end-to-end runs, signed copy):" \
    "this machine has no Wine 32-bit side; pe.Quadrivo_x86 checks its file only"
fi

echo "== osslsigncode on the signed copy of Quadrivo.exe (e2e.signed_copy)"
grep -E "^(osslsigncode [0-9]|Signature verification|Number of verified|Succeeded)" \
  build/windows-x64/tests/e2e/signed-copy/verification.txt
