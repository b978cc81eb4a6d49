#!/usr/bin/env bash
# Configures and builds the configurations: native (core, unit tests, tools),
# Windows x86 (the release), Windows x64, and the sanitizer build (clang, unit
# tests and fuzz targets with AddressSanitizer and UndefinedBehaviorSanitizer).
#   scripts/build.sh [PRESET...]
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native win32 win64 sanitize)
for preset in "${presets[@]}"; do
  echo "== Building $preset"
  log=build/$preset.log
  cmake --preset "$preset" > "$log" 2>&1 || { cat "$log"; exit 1; }
  cmake --build --preset "$preset" -- -j"$(nproc)" >> "$log" 2>&1 || { cat "$log"; exit 1; }
  grep -E "warning:" "$log" || true
done
