#!/usr/bin/env bash
# Starts the real program under Wine in a virtual display and drives it with
# the UI-automation helper, following a script. A line "#shot NAME" in the
# script saves a screenshot of the screen to $TOVRIN_SHOTS/NAME.png (when that
# folder is set); a line "#exec COMMAND" runs a shell command at that point, with
# $app_pid the program's process. COM1 is mapped to DEVICE when one is given.
#   ui_session.sh WIN32_BUILD_DIR WIN64_BUILD_DIR SCRIPT [DEVICE]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
build=$(wine_pick_build "$1" "$2")
script=$3
device=${4:-}
exe="$build/app/Tovrin Firmware.exe"
uiauto="$build/tools/win/uiauto.exe"
[ -f "$exe" ] && [ -f "$uiauto" ] || { echo "missing Windows build in $build"; exit 77; }
trap 'kill $app_pid 2>/dev/null; wine_cleanup' EXIT
app_pid=

wine_setup
[ -n "$device" ] && wine_map_com 1 "$device"
wine_display
echo "program: $exe (DISPLAY=$DISPLAY)"
$WINE "$exe" > "$WINE_TMP/app.log" 2>&1 &
app_pid=$!

# The script runs in parts between the screenshot marks.
part=$WINE_TMP/part.txt
: > "$part"
run_part() {
  [ -s "$part" ] || return 0
  timeout 300 $WINE "$uiauto" "$(winepath -w "$part" 2>/dev/null || echo "$part")" | tr -d '\r'
  local status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] || { echo "FAIL: ui script part exited $status"; exit 1; }
  echo "window 30000" > "$part"
}
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    "#shot "*)
      run_part
      name=${line#\#shot }
      if [ -n "${TOVRIN_SHOTS:-}" ]; then
        mkdir -p "$TOVRIN_SHOTS"
        import -window root -display "$DISPLAY" "$WINE_TMP/shot.png" &&
          convert "$WINE_TMP/shot.png" -trim +repage "$TOVRIN_SHOTS/$name.png" && echo "shot $TOVRIN_SHOTS/$name.png"
      fi ;;
    "#exec "*)
      run_part
      eval "${line#\#exec }" ;;
    *) echo "$line" >> "$part" ;;
  esac
done < "$script"
run_part
# The program must end by itself once the script closed it.
for _ in $(seq 1 100); do kill -0 $app_pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $app_pid 2>/dev/null; then echo "FAIL: the program did not end"; exit 1; fi
echo "PASS"
