#!/usr/bin/env bash
# The Win32 serial channel for real: under Wine, COM1 mapped to a
# pseudo-terminal; the probe sends the information request and must read back
# the 155-byte three-frame reply written on the other side, byte for byte.
#   serial_roundtrip.sh WIN32_BUILD_DIR WIN64_BUILD_DIR PTY_PEER
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
win_build=$(wine_pick_build "$1" "$2")
peer=$3
probe=$win_build/tools/win/serial_probe.exe
[ -f "$probe" ] || { echo "missing $probe: build the Windows configurations first"; exit 77; }
echo "probe: $probe"
trap 'kill $peer_pid 2>/dev/null; wine_cleanup' EXIT

wine_setup
"$peer" "$WINE_TMP/expected.hex" > "$WINE_TMP/peer.out" &
peer_pid=$!
for _ in $(seq 1 100); do [ -s "$WINE_TMP/peer.out" ] && break; sleep 0.05; done
device=$(head -n 1 "$WINE_TMP/peer.out")
echo "COM1 -> $device"
wine_map_com 1 "$device"

timeout 60 $WINE "$probe" 1 155 > "$WINE_TMP/probe.out" 2>&1
status=$?
cat "$WINE_TMP/probe.out" | tr -d '\r'
[ $status -eq 0 ] || { echo "FAIL: probe exited $status"; exit 1; }
got=$(tr -d '\r' < "$WINE_TMP/probe.out" | tail -n 1)
want=$(cat "$WINE_TMP/expected.hex")
if [ "$got" != "$want" ]; then
  echo "FAIL: reply differs"; echo "want $want"; exit 1
fi
echo "PASS: 155 bytes byte for byte"
