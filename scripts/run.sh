#!/usr/bin/env bash
# Builds the program and starts it under Wine. COM1 is mapped to DEVICE when
# one is named. Without a display a virtual one is started.
#   scripts/run.sh [DEVICE]
set -euo pipefail
cd "$(dirname "$0")/.."
device=${1:-}
scripts/setup-debian.sh
scripts/build.sh
. tests/wine/wine_env.sh
exe=$(wine_pick_build build/win32 build/win64)/app/"Tovrin Firmware.exe"
trap wine_cleanup EXIT
echo "== Preparing a Wine prefix"
wine_setup
if [ -n "$device" ]; then
  echo "== COM1 -> $device"
  wine_map_com 1 "$device"
fi
if [ -z "${DISPLAY:-}" ]; then
  wine_display
  echo "== Virtual display DISPLAY=$DISPLAY (take a look: import -window root -display $DISPLAY shot.png)"
fi
echo "== Starting $exe"
$WINE "$exe"
echo "== The program has ended"
