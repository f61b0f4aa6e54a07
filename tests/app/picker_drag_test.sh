#!/usr/bin/env bash
# The drag picker with real pointer input: xdotool presses on the picker icon
# of the running Vaylo.exe, moves and releases through the X server, as a user
# does; picker_probe.exe finds the points and reads the list's selection back.
#   picker_drag_test.sh ARCH PROBE.exe VAYLO.exe TARGETS.exe
# Needs DISPLAY (scripts/test.sh starts Xvfb) and the build's Wine prefix.
#
# Everything runs on a Wine virtual desktop of the screen's size at the
# screen's origin. Without one, the desktop is the bare X root window: a
# button released over it reaches no Wine program, so the hidden main window's
# capture would never see the release that Windows delivers.
set -uo pipefail
arch="$1" probe_exe="$2" vaylo_exe="$3" targets_exe="$4"
root="$(cd "$(dirname "$0")/../.." && pwd)"
[ -n "${DISPLAY:-}" ] || { echo "no DISPLAY"; exit 1; }

run() { "$root/scripts/wine-run" "$arch" "$@"; }
export VAYLO_DESKTOP="VayloDrag$$"
size="$(xdpyinfo | awk '/dimensions:/ { print $2; exit }')"
probe() { run "$probe_exe" "$@" | tr -d '\r'; }
windows_path() { echo "Z:${1//\//\\}"; }

source "$root/tests/support/check.sh"

tag="D$$"
target="$tag target"
other="$tag other"
pids=()
# Starts a program on the virtual desktop (made by the first such start).
on_desktop() {
  run explorer "/desktop=$VAYLO_DESKTOP,$size" "$@" >/dev/null 2>&1 &
  pids+=($!)
}
cleanup() {
  xdotool mouseup 1 2>/dev/null
  probe exit >/dev/null 2>&1
  probe close "$target" >/dev/null 2>&1
  probe close "$other" >/dev/null 2>&1
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

# Presses at $1 $2, moves to $3 $4 and releases there once the pointer is
# seen there. One move: its events then reach one program in order, where
# moves over several programs' windows may reach the system out of order. The
# main window hides while the icon is dragged ($5 "hides", the default) and
# is shown after the release.
drag() {
  xdotool mousemove "$1" "$2" mousedown 1
  if [ "${5:-hides}" = hides ]; then
    check "the main window hides during the drag" 0 "$(probe wait-main-visible 0; echo $?)"
  fi
  xdotool mousemove "$3" "$4"
  probe wait-pointer "$3" "$4"
  xdotool mouseup 1
  check "the main window is shown after the release" 0 "$(probe wait-main-visible 1; echo $?)"
}

on_desktop "$(windows_path "$vaylo_exe")"
probe wait-main-visible 1 || { echo "Vaylo.exe did not show its main window"; exit 1; }
# The target is made last, so it lies above the other window.
on_desktop "$(windows_path "$targets_exe")" "titled:$other" "titled:$target"
probe wait-listed "$target" && probe wait-listed "$other" || { echo "the targets were not listed"; exit 1; }

read -r icon_x icon_y < <(probe point-icon)
read -r desk_x desk_y < <(probe point-desktop)
read -r list_x list_y < <(probe point-list)
read -r child_x child_y < <(probe point-child "$target")
read -r back_x back_y < <(probe point-background)
for value in icon_x desk_x list_x child_x back_x; do
  [ -n "${!value:-}" ] || { echo "no point for $value"; exit 1; }
done

echo "-- release over the desktop"
probe select "$other"
drag "$icon_x" "$icon_y" "$desk_x" "$desk_y"
check "the selection is unchanged" "$other" "$(probe selection)"

echo "-- release over the main window's own list"
drag "$icon_x" "$icon_y" "$list_x" "$list_y"
check "the selection is unchanged" "$other" "$(probe selection)"

echo "-- release over a child control of another program's window"
check "the target's child lies at the point" "$target" "$(probe window-at "$child_x" "$child_y")"
drag "$icon_x" "$icon_y" "$child_x" "$child_y"
check "the window's top-level entry is selected" "$target" "$(probe selection)"

echo "-- a press soon after a click on the icon"
# The second press falls within the double-click time of the first.
xdotool mousemove "$icon_x" "$icon_y" click 1
probe wait-main-visible 1
drag "$icon_x" "$icon_y" "$desk_x" "$desk_y"

echo "-- a press outside the icon"
probe select "$other"
drag "$back_x" "$back_y" "$child_x" "$child_y" stays
check "the selection is unchanged" "$other" "$(probe selection)"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all drag checks passed"
