#!/usr/bin/env bash
# Builds Quadrivo.exe of the current commit twice, for 64-bit and for 32-bit
# Windows, from two copies of the sources in folders of different names, at
# different times, and fails unless both builds of each are the same byte for
# byte: whoever holds a shipped Quadrivo.exe and its commit can then rebuild
# it and compare. The copies are of the commit, not of the working tree, so
# uncommitted changes take no part. Prints the SHA-256 of every build.
set -euo pipefail
cd "$(dirname "$0")/.."

commit=$(git rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/quadrivo-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Names of different lengths, so that a path left in the executable also
# moves everything after it.
trees=("$work/a" "$work/second-checkout")
for tree in "${trees[@]}"; do
  mkdir -p "$tree"
  git archive --format=tar "$commit" | tar -x -C "$tree"
done

echo "Commit $commit"
# The second build in another time zone and with another umask, so that
# neither reaches the executable either.
build() {
  local tree=$1 preset=$2
  (
    cd "$tree"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target Quadrivo >/dev/null
  )
}

status=0
for preset in windows-x64 windows-x86; do
  build "${trees[0]}" "$preset"
  (umask 077 && TZ=Pacific/Kiritimati build "${trees[1]}" "$preset")
  first=${trees[0]}/build/$preset/Quadrivo.exe
  second=${trees[1]}/build/$preset/Quadrivo.exe
  echo "== $preset"
  (cd "$work" && sha256sum "${first#"$work"/}" "${second#"$work"/}")
  if cmp "$first" "$second"; then
    echo "$preset: the two builds are identical"
  else
    echo "$preset: the two builds differ (byte number, then that byte of each in octal):" >&2
    cmp -l "$first" "$second" | head -n 20 >&2 || true
    status=1
  fi
done
exit "$status"
