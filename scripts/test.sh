#!/usr/bin/env bash
# Runs every test: installs what is missing, builds all configurations, runs
# each fuzz target for a bounded time, the unit tests under the sanitizers,
# then the unit tests and the Wine tests (start-up, serial, end to end).
#   TOVRIN_FUZZ_SECONDS=60 per fuzz target by default.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
echo "== Fuzzing (${TOVRIN_FUZZ_SECONDS:-60} s per target)"
fuzz/run_fuzzers.sh build/sanitize "${TOVRIN_FUZZ_SECONDS:-60}"
echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --preset sanitize -j2 > build/sanitize-tests.log 2>&1 || { cat build/sanitize-tests.log; exit 1; }
tail -n 3 build/sanitize-tests.log
echo "== All tests"
ctest --preset native -j2
