#!/usr/bin/env bash
# Photographs what a screenshot tool shows into docs/. The tool, run with a
# folder, writes "<name>.ready" there with the screen rectangle
# "x y width height" of what is to be photographed, and waits for
# "<name>.done". Needs the built tools:
#   bash scripts/screenshots.sh tray     # the open tray menu with hidden windows
#   bash scripts/screenshots.sh titles   # the main window and the tray menu, titles in other scripts
#   bash scripts/screenshots.sh dialogs  # the query, the notice, the password prompt
#   bash scripts/screenshots.sh about    # the About box without and with the licence
#   bash scripts/screenshots.sh ui       # the User Interface options
#   bash scripts/screenshots.sh viewer   # the Hidden Windows viewer, a help popup
#   bash scripts/screenshots.sh hotkeys  # the Hot Key options, the key binding editor
#   bash scripts/screenshots.sh main     # the main window listing three windows
#   bash scripts/screenshots.sh main144  # the same at 144 DPI (a prefix of its own)
#   bash scripts/screenshots.sh rules    # an entry's context menu, the Rules dialog
#   bash scripts/screenshots.sh all      # every one of them
set -euo pipefail
source "$(dirname "$0")/common.sh"
if [ "${1:-}" = all ]; then
  for set in main main144 tray titles dialogs about ui viewer hotkeys rules; do
    bash "$0" "$set" || exit 1
  done
  exit 0
fi
arguments=()
case "${1:-}" in
  main | main144)
    exe="$BUILD/$TEST_ARCH/tests/app/viewer_screenshot.exe"
    arguments=(main "$([ "$1" = main ] && echo main-window || echo main-window-144dpi)")
    ;;
  tray) exe="$BUILD/$TEST_ARCH/tests/app/tray/tray_screenshot.exe" ;;
  titles)
    exe="$BUILD/$TEST_ARCH/tests/app/tray/tray_screenshot.exe"
    arguments=(titles)
    ;;
  dialogs) exe="$BUILD/$TEST_ARCH/tests/dialogs/dialogs_screenshots.exe" ;;
  about) exe="$BUILD/$TEST_ARCH/tests/dialogs/about/bin/about_screenshots.exe" ;;
  ui) exe="$BUILD/$TEST_ARCH/tests/dialogs/ui_options_screenshot.exe" ;;
  viewer) exe="$BUILD/$TEST_ARCH/tests/app/viewer_screenshot.exe" ;;
  rules) exe="$BUILD/$TEST_ARCH/tests/app/viewer_screenshot.exe"; arguments=(rules) ;;
  hotkeys) exe="$BUILD/$TEST_ARCH/tests/hotkeys/hotkeys_screenshots.exe" ;;
  *) echo "usage: $0 main|main144|tray|titles|dialogs|about|ui|viewer|hotkeys|rules|all" >&2; exit 2 ;;
esac
[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }

trap stop_all EXIT
start_xvfb
if [ "$1" = main144 ]; then
  use_dpi_prefix "$TEST_ARCH" 144
else
  ensure_prefix
fi
shots="$(mktemp -d)"
mkdir -p "$ROOT/docs"

# A Wine virtual desktop draws the windows' captions and frames, which a bare
# X server without a window manager leaves out.
"$WINE" explorer /desktop=VayloShots,1024x768 "$exe" "Z:${shots//\//\\}" "${arguments[@]}" &
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
