#!/usr/bin/env bash
# Builds the tests that run the analysis with its pool of I/O threads (the engine,
# the scan, the POSIX file system, the pool itself) with ThreadSanitizer in
# build-tsan/ and runs them. A data race ends the test process with a
# failure, so ctest fails with it.
#
# Usage: tests/sanitizers/run-threads.sh [build folder]   (default: build-tsan)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build-tsan}"
jobs="$(nproc)"
tests=(IoPoolTest LeerDirectorioTest ContentClassifierTest DuplicateAnalysisTest DuplicateAnalysisDifferentialTest
       DuplicateAnalysisOnDiskTest PosixFileSystemTest)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DBUILD_TESTING=ON -DZELVO_SANITIZE_THREADS=ON -DZELVO_NONGUI_ONLY=ON >/dev/null
cmake --build "$build" -j"$jobs" --target "${tests[@]}"

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$here/tsan.supp"
cd "$build"
pattern="^($(IFS='|'; echo "${tests[*]}"))\$"
ctest --output-on-failure -j"$jobs" --timeout 900 -R "$pattern"
