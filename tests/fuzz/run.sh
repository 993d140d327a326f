#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (in build-fuzz, or $ZRT_FUZZ_BUILD) and runs each in
# turn, one process at a time, for the given seconds (default 30), starting from its seed
# corpus; then replays every seed corpus once. Inputs found go to BUILD/corpus/NAME, failures
# to BUILD/crashes/NAME; each run's figures are appended to BUILD/fuzz-stats.txt.
#
#   tests/fuzz/run.sh [seconds] [harness ...]      (scripts/setup.sh --fuzz installs clang)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
[ $# -gt 0 ] && shift
build=${ZRT_FUZZ_BUILD:-build-fuzz}
# Absolute paths: the harnesses work in a directory of their own.
mkdir -p "$build"
build=$(cd "$build" && pwd)
seedRoot="$PWD/tests/fuzz/corpus"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do harnesses+=("$(basename "$source" .cpp)"); done
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -DZRT_FUZZ=ON -DZRT_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build "$build" -j 2 --target "${harnesses[@]}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for name in "${harnesses[@]}"; do
  binary="$build/tests/fuzz/$name"
  seeds="$seedRoot/$name"
  mkdir -p "$build/corpus/$name" "$build/crashes/$name"
  echo "== $name: $seconds s"
  log="$build/crashes/$name/last-run.log"
  # Under CI the same seed every time, so that a run explores what the last one did.
  if ! nice "$binary" -max_total_time="$seconds" ${CI:+-seed=1} -timeout=10 -rss_limit_mb=2560 \
      -print_final_stats=1 -artifact_prefix="$build/crashes/$name/" \
      "$build/corpus/$name" "$seeds" >"$log" 2>&1; then
    echo "$name FAILED: see $log and $build/crashes/$name/"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "$(date -u +%FT%TZ) $name ${seconds}s ${runs:-?} executions" | tee -a "$build/fuzz-stats.txt"
done

echo "== seed corpora"
for name in "${harnesses[@]}"; do
  "$build/tests/fuzz/$name" "$seedRoot/$name"/* >/dev/null 2>&1 \
    || { echo "$name: a seed fails"; status=1; }
done
exit $status
