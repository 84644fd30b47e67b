#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ with clang and runs each for
# ZELVO_FUZZ_SECONDS seconds (default 60; 0 only replays the seed corpus),
# all at once. New inputs go to build-fuzz/corpus/<target>/, the committed
# seeds in tests/fuzz/corpus/<target>/ are only read. A crash, a leak, a
# sanitizer report or an input slower than 10 s fails the run; the input that
# did it is kept in build-fuzz/artifacts/<target>/.
#
# Usage: tests/fuzz/run.sh [build folder]   (default: build-fuzz)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build-fuzz}"
seconds="${ZELVO_FUZZ_SECONDS:-60}"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBUILD_TESTING=OFF -DZELVO_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target zelvo_fuzzers

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"

pids=()
names=()
for seeds in "$here"/corpus/*/; do
  name="$(basename "$seeds")"
  fuzzer="$build/tests/fuzz/fuzz_$name"
  if [ ! -x "$fuzzer" ]; then
    echo "fuzz: no target fuzz_$name for the corpus $seeds" >&2
    exit 1
  fi
  mkdir -p "$build/corpus/$name" "$build/artifacts/$name"
  if [ "$seconds" -gt 0 ]; then
    run=(-max_total_time="$seconds")
  else
    run=(-runs=0)
  fi
  "$fuzzer" "${run[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$name/" \
    "$build/corpus/$name" "$seeds" >"$build/fuzz_$name.log" 2>&1 &
  pids+=($!)
  names+=("$name")
done

status=0
for i in "${!pids[@]}"; do
  name="${names[$i]}"
  if wait "${pids[$i]}"; then
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz_$name.log" | grep -o '[0-9]*$' || true)"
    echo "fuzz_$name: no fault in ${runs:-?} inputs"
  else
    status=1
    echo "fuzz_$name FAILED; the end of its log ($build/fuzz_$name.log):" >&2
    tail -n 60 "$build/fuzz_$name.log" >&2
    ls "$build/artifacts/$name/" >&2 || true
  fi
done
exit "$status"
