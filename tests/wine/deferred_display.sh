#!/usr/bin/env bash
# The window's deferred drawing of what a worker changes on every poll, in a
# real window under Wine (tests/win/deferred_display_check.cpp).
#   deferred_display.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
check=$(wine_pick_build "$1" "$2")/tests/win/deferred_display_check.exe
[ -f "$check" ] || { echo "missing $check: build the Windows configurations first"; exit 77; }
trap wine_cleanup EXIT
wine_setup
wine_display
timeout 120 $WINE "$check" > "$WINE_TMP/check.out" 2>&1
status=$?
tr -d '\r' < "$WINE_TMP/check.out"
[ $status -eq 0 ] || { echo "FAIL: exit $status"; exit 1; }
