#!/usr/bin/env bash
# Photographs the open tray menu with hidden-window items into docs/tray-menu.png.
# Needs a built test program:
#   VAYLO_BUILD_DIR=/path/to/build bash tests/app/tray/take-screenshot.sh
set -euo pipefail
source "$(dirname "$0")/../../../scripts/common.sh"
exe="$BUILD/$TEST_ARCH/tests/app/tray/app_tray_tests.exe"
[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }

trap stop_all EXIT
start_xvfb
ensure_prefix
shots="$(mktemp -d)"
mkdir -p "$ROOT/docs"

# A Wine virtual desktop draws frames and shadows as a shell would.
VAYLO_SCREENSHOT_DIR="Z:${shots//\//\\}" "$WINE" explorer /desktop=VayloShots,1024x768 "$exe" \
  --gtest_filter='Screenshot.*' &
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
wait "$program"
rm -rf "$shots"
