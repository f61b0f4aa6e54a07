#!/usr/bin/env bash
# Installs what is missing, builds Window Vaylo and starts it under Wine: the
# PE32 product where this machine executes 32-bit x86 code, the PE32+ build
# otherwise; on your display when DISPLAY is set, otherwise in Xvfb beside
# Wine's notepad, with a screenshot. Builds only the program it starts.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"
if can_run_32bit; then
  arch=win32
else
  arch=win64
  echo "This machine cannot execute 32-bit x86 code: starting the PE32+ build (win64)."
fi
use_arch "$arch"
build_arch "$arch" Vaylo
exe="$BUILD/$arch/app/Vaylo.exe"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  ensure_prefix
  exec "$WINE" "$exe" "$@"
fi
trap stop_all EXIT
start_xvfb
ensure_prefix
# A Wine virtual desktop draws window frames and a taskbar with the tray, which
# plain Xvfb (no window manager) lacks. Wine's notepad opens beside Window
# Vaylo on the same desktop, so there is a window to hide.
"$WINE" explorer /desktop=Vaylo,1024x768 "$exe" "$@" &
app=$!
"$WINE" explorer /desktop=Vaylo,1024x768 notepad >/dev/null 2>&1 &
shot="$BUILD/screenshot.png"
for name in '^Window Vaylo$' 'Notepad$'; do
  for _ in $(seq 1 100); do
    if xdotool search --name "$name" >/dev/null 2>&1; then break; fi
    sleep 0.1
  done
done
sleep 1
import -window root "$shot"
echo "Window Vaylo is running in Xvfb on $DISPLAY; screenshot saved to $shot"
echo "Press Ctrl+C to stop."
wait "$app"
