#!/usr/bin/env bash
# Runs a Windows program under Wine in a Wine prefix of its own, so that a
# build's tests never touch the user's ~/.wine. The prefix is made on first
# use. Used as the cross-compiling emulator of the windows-x64 build:
#   wine-run.sh PREFIX PROGRAM.exe ARGUMENTS...
# With no program, only makes the prefix.
set -u

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
# Keeps wineboot from offering to install Mono and Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
# A 64-bit prefix, which runs the 32-bit build too where Wine's 32-bit side is
# installed, whichever loader makes it.
export WINEARCH=win64

mkdir -p "$(dirname "$prefix")"
(
  # Tests run in parallel: one of them makes the prefix, the others wait.
  flock 9
  if [[ ! -f $prefix/.quadrivo-ready ]]; then
    wineboot -i >/dev/null 2>&1 && touch "$prefix/.quadrivo-ready"
  fi
) 9>"$prefix.lock"
[[ -f $prefix/.quadrivo-ready ]] || { echo "wine-run.sh: could not make the Wine prefix $prefix" >&2; exit 125; }
(($#)) || exit 0

# Wine given a host program or script runs nothing and reports success: a
# test run that way would pass without having run.
if [[ $(head -c 2 "$1" 2>/dev/null) != MZ ]]; then
  echo "wine-run.sh: $1 is not a Windows program" >&2
  exit 126
fi

# The program's output goes through files, not straight into the caller's
# pipes: Wine's background services (started by the first program of a
# wineserver) inherit its standard handles and would hold a pipe open until
# the wineserver ends, so that a caller waiting for the end of the output
# (CTest, GoogleTest's test discovery) would wait for that too.
output=$(mktemp) errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
wine "$@" </dev/null >"$output" 2>"$errors"
status=$?
# Windows programs end their lines with CR LF; CTest and GoogleTest's test
# discovery read LF.
tr -d '\r' <"$output"
tr -d '\r' <"$errors" >&2
# A failure that printed nothing says at least how it ended, so that a test
# failing that way can be told from one whose program never ran.
if ((status != 0)) && [[ ! -s $output && ! -s $errors ]]; then
  echo "wine-run.sh: wine $1 ended with status $status and printed nothing" >&2
fi
exit "$status"
