#!/usr/bin/env bash
# Installs the packages the builds and tests need, when they are missing:
# the native toolchain and GoogleTest, clang with libFuzzer, the mingw-w64
# cross compilers for Quadrivo.exe (of the win32 thread model, which needs no
# winpthread), and Wine with Xvfb to run it; g++'s 32-bit libraries and
# qemu-i386 for the 32-bit run of the suite, osslsigncode and openssl for the
# signature; and Wine's 32-bit side, to run the disc's own 32-bit build, where
# this machine runs 32-bit programs natively.
set -euo pipefail

packages=(
  cmake make g++ googletest python3 util-linux
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb
  g++-multilib qemu-user
  osslsigncode openssl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A kernel with IA32 emulation runs a static 32-bit program itself; one that
# runs only through qemu's binfmt handler would not carry Wine.
runs_32bit_programs() {
  [[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]] || return 1
  local dir status
  dir=$(mktemp -d)
  printf 'int main(void) { return 0; }\n' >"$dir/probe.c"
  gcc -m32 -static -o "$dir/probe" "$dir/probe.c" 2>/dev/null && "$dir/probe" 2>/dev/null
  status=$?
  rm -rf "$dir"
  return "$status"
}
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed" &&
  runs_32bit_programs; then
  echo "Installing Wine's 32-bit side: wine32:i386"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi
