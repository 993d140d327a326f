#!/usr/bin/env bash
# Builds and runs every test: x86-64 with AddressSanitizer and UndefinedBehaviorSanitizer, then
# i386 (-m32), each in its own build directory; then the Windows builds (scripts/windows.sh:
# the 32-bit DLL, and the x86-64 tests under wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== x86-64, sanitizers (build-asan)"
cmake -S . -B build-asan -DZRT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:allow_user_segv_handler=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== i386 (build-m32)"
CFLAGS=-m32 CXXFLAGS=-m32 LDFLAGS=-m32 \
  cmake -S . -B build-m32 -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-m32 -j "$jobs"
ctest --test-dir build-m32 --output-on-failure -j "$jobs"

scripts/windows.sh
