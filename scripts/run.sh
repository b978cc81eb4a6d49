#!/usr/bin/env bash
# Builds the program and starts it under Wine. COM1 is wired to the receiver
# simulator, or to DEVICE when one is named (a real serial adapter such as
# /dev/ttyUSB0). Without a display a virtual one is started.
#   scripts/run.sh [DEVICE]
set -euo pipefail
cd "$(dirname "$0")/.."
device=${1:-}
scripts/setup-debian.sh
. tests/wine/wine_env.sh
if [ "$WINE_CAN_RUN_32" = 1 ]; then scripts/build.sh native win32; else scripts/build.sh native win64; fi
exe=$(wine_pick_build build/win32 build/win64)/app/"Tovrin Firmware.exe"
sim_pid=
sim_out=$(mktemp /tmp/tovrin-run.XXXXXX)
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  if [ -s "$sim_out" ]; then echo "== Simulator:"; tail -n +2 "$sim_out"; fi
  rm -f "$sim_out"
  wine_cleanup
}
trap cleanup EXIT
echo "== Preparing a Wine prefix"
wine_setup
if [ -z "$device" ]; then
  build/native/receiver_sim > "$sim_out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 100); do [ -s "$sim_out" ] && break; sleep 0.05; done
  device=$(head -n 1 "$sim_out")
  echo "== Receiver simulator on $device"
fi
echo "== COM1 -> $device"
wine_map_com 1 "$device"
if [ -z "${DISPLAY:-}" ]; then
  wine_display
  echo "== Virtual display DISPLAY=$DISPLAY (look at it: import -window root -display $DISPLAY shot.png)"
fi
echo "== Starting $exe; close it with Exit"
$WINE "$exe"
echo "== The program has ended"
