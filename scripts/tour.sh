#!/usr/bin/env bash
# Builds the library and the host, then runs the tour with the example configuration in a
# fresh working directory (build/tour).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake -S . -B build -DZRT_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"

top=$(pwd)
rm -rf build/tour && mkdir -p build/tour
cd build/tour
export ZRT32_HKCU="$top/examples/config/registry.ini"
export ZRT32_HKLM="$top/examples/config/no-machine-registry.ini"
export ZRT32_INIDIR="$top/examples/config"
"$top/build/zrt" "$top/examples/tour.zrt"
