#!/usr/bin/env bash
# Builds and runs every test: x86-64 with AddressSanitizer and UndefinedBehaviorSanitizer, then
# i386 (-m32), each in its own build directory; then a Release build, installed into a temporary
# prefix with the C example built against it (through find_package and through pkg-config) and
# run; then the Windows builds (scripts/windows.sh: the 32-bit DLL, and the x86-64 tests under
# wine). Warnings are errors in all of them (ZRT_WERROR).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== x86-64, sanitizers (build-asan)"
cmake -S . -B build-asan -DZRT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZRT_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:allow_user_segv_handler=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzzing: each harness 30 s, then the seed corpora"
scripts/setup.sh --fuzz && tests/fuzz/run.sh 30

echo "== i386 (build-m32)"
CFLAGS=-m32 CXXFLAGS=-m32 LDFLAGS=-m32 \
  cmake -S . -B build-m32 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRT_WERROR=ON >/dev/null
cmake --build build-m32 -j "$jobs"
ctest --test-dir build-m32 --output-on-failure -j "$jobs"

echo "== x86-64 Release (build-release), installed, with the C example built against it"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZRT_WERROR=ON -DZRT_TESTS=OFF >/dev/null
cmake --build build-release -j "$jobs"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build-release --prefix "$prefix" >/dev/null
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cmake -S examples/c -B "$prefix/example-cmake" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$prefix/example-cmake"
# shellcheck disable=SC2046 # pkg-config's flags are separate words
cc -std=c99 -Wall -Wextra -Werror examples/c/example.c $(pkg-config --cflags --libs zrt32) \
  -Wl,-rpath,"$(pkg-config --variable=libdir zrt32)" -o "$prefix/example-pkgconfig"
for example in example-cmake/zrt32_example example-pkgconfig; do
  mkdir "$prefix/run" && (cd "$prefix/run" &&
    ZRT32_HKCU="$prefix/share/zrt32/config/registry.ini" ZRT32_HKLM=/nonexistent \
    ZRT32_INIDIR="$prefix/share/zrt32/config" "$prefix/$example")
  rm -rf "$prefix/run"
done

scripts/windows.sh
