#!/usr/bin/env bash
# The Windows builds, cross-compiled with MinGW-w64 on Debian:
#   build-win32  zrt32.dll for the 32-bit interpreter (i686, stdcall exports at their ordinals),
#                checked from its headers (exports, imports, version)
#   build-win64  the library and every test program for x86-64, run under wine64 in a wine
#                prefix of their own (build-win64/wineprefix), without a display
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --windows

jobs=$(nproc 2>/dev/null || echo 2)
# No display: the folder dialog must answer at once, and wine must not try to draw.
unset DISPLAY WAYLAND_DISPLAY

echo "== Windows i686: zrt32.dll (build-win32)"
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DZRT_TESTS=OFF -DZRT_WERROR=ON >/dev/null
cmake --build build-win32 -j "$jobs"
ctest --test-dir build-win32 --output-on-failure

echo "== Windows x86-64 under wine (build-win64)"
cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRT_WERROR=ON >/dev/null
cmake --build build-win64 -j "$jobs"
status=0
ctest --test-dir build-win64 --output-on-failure -j "$jobs" || status=$?
# The tests' wine server would linger a few seconds; end it now (this prefix's only).
WINEPREFIX="$PWD/build-win64/wineprefix" wineserver -k 2>/dev/null || true
exit "$status"
