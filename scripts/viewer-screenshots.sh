#!/usr/bin/env bash
# Photographs the "Hidden Windows" viewer and a help popup of the main window
# into docs/ (hidden-windows-viewer.png, help-popup.png). The built tool
# viewer_screenshot.exe, run with a folder, writes "<name>.ready" there with
# the screen rectangle "x y width height" to photograph and waits for
# "<name>.done" before it goes on. Needs the built tool and Vaylo.exe:
#   cmake --build build/win64 --target viewer_screenshot
#   bash scripts/viewer-screenshots.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"
exe="$BUILD/$TEST_ARCH/tests/app/viewer_screenshot.exe"
[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }

trap stop_all EXIT
start_xvfb
ensure_prefix
shots="$(mktemp -d)"
mkdir -p "$ROOT/docs"

# A Wine virtual desktop at the screen's origin draws the captions and frames
# that a bare X server without a window manager leaves out.
"$WINE" explorer /desktop=VayloViewerShots,1024x768 "$exe" "Z:${shots//\//\\}" &
program=$!
margin=12
while kill -0 "$program" 2>/dev/null; do
  for ready in "$shots"/*.ready; do
    [ -e "$ready" ] || continue
    name="$(basename "$ready" .ready)"
    read -r x y w h < <(tr -d "\r" < "$ready")
    x=$((x > margin ? x - margin : 0)); y=$((y > margin ? y - margin : 0))
    import -window root -crop "$((w + 2 * margin))x$((h + 2 * margin))+$x+$y" +repage "$ROOT/docs/$name.png"
    echo "docs/$name.png"
    rm -f "$ready"
    touch "$shots/$name.done"
  done
  sleep 0.2
done
status=0
wait "$program" || status=$?
rm -rf "$shots"
exit "$status"
