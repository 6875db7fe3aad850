#!/usr/bin/env bash
# Builds and runs every test suite of the project.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
