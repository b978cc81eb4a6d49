#!/usr/bin/env bash
# Runs every test: installs what is missing, builds all configurations, then
# runs the unit tests and the Wine tests through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
echo "== Running the tests"
ctest --preset native -j2
