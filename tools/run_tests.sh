#!/usr/bin/env bash
# Builds everything (the Windows build too, where mingw-w64 is installed) and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build --preset default -j2
if command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j2
fi
ctest --preset default -j2
