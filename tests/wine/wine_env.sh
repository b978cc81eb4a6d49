# Shell helpers for tests that run the Windows programs under Wine: a fresh
# prefix per test, COM ports mapped through the registry, a virtual display.
# Source this file; every function cleans up in wine_cleanup.

# The loader: 32-bit programs need the kernel's 32-bit emulation, which some
# machines have switched off; there only the 64-bit loader and programs run.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  WINE=wine
  WINE_CAN_RUN_32=1
else
  WINE=/usr/lib/wine/wine64
  export WINELOADER=/usr/lib/wine/wine64
  WINE_CAN_RUN_32=0
fi

# wine_pick_build WIN32_DIR WIN64_DIR: the build to run here (the x86 release
# where it can run, else x64).
wine_pick_build() {
  if [ "$WINE_CAN_RUN_32" = 1 ]; then echo "$1"; else echo "$2"; fi
}

wine_setup() {
  WINE_TMP=$(mktemp -d /tmp/tovrin-wine.XXXXXX)
  export WINEPREFIX=$WINE_TMP/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
  export WINEARCH=win64
  $WINE wineboot -i >/dev/null 2>&1
  wineserver -w
  # The dialog font: Wine's own Tahoma, as Windows has it.
  cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# wine_map_com PORT DEVICE
wine_map_com() {
  $WINE reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
  wineserver -k
  wineserver -w 2>/dev/null || true
}

# A virtual display for programs with windows.
wine_display() {
  local n
  for n in $(seq 90 140); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done
}

wine_cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "${WINE_XVFB_PID:-}" ] && kill "$WINE_XVFB_PID" 2>/dev/null || true
  [ -n "${WINE_TMP:-}" ] && rm -rf "$WINE_TMP"
}
