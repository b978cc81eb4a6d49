#!/usr/bin/env bash
# Configures and builds the three configurations: native (core, unit tests,
# tools), Windows x86 (the release) and Windows x64.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
for preset in native win32 win64; do
  echo "== Building $preset"
  log=build/$preset.log
  cmake --preset "$preset" > "$log" 2>&1 || { cat "$log"; exit 1; }
  cmake --build --preset "$preset" -- -j"$(nproc)" >> "$log" 2>&1 || { cat "$log"; exit 1; }
  grep -E "warning:" "$log" || true
done
