# The Wine environment for one architecture, in one place: scripts/common.sh
# (run, test, benchmark and screenshot scripts) and scripts/wine-run (which
# CTest starts every test program with) both source this file.
#   wine_env win64|win32
# exports WINEARCH, WINEPREFIX (the build tree's own prefix, never yours; a test
# may name another one in VAYLO_WINEPREFIX),
# WINEDEBUG and WINEDLLOVERRIDES (yours win when set) and WINELOADER, and sets
# WINE (the loader to start programs with) and WINESERVER.
wine_env() {
  case "$1" in
    win32 | win64) ;;
    *) echo "unknown Windows architecture '$1' (win32 or win64)" >&2; return 2 ;;
  esac
  : "${VAYLO_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
  export VAYLO_BUILD_DIR
  export WINEARCH="$1"
  # VAYLO_WINEPREFIX: another prefix of the build tree's (a test at another DPI).
  export WINEPREFIX="${VAYLO_WINEPREFIX:-$VAYLO_BUILD_DIR/wineprefix-$1}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  if [ "$1" = win64 ]; then
    # The 64-bit loader directly: Debian's wine front script prefers the
    # 32-bit one whenever wine32 is installed.
    WINE=/usr/lib/wine/wine64
    WINESERVER=/usr/lib/wine/wineserver64
    export WINELOADER="$WINE"
  else
    # The front scripts run wine32's loader; a 64-bit WINELOADER left over
    # from the other architecture would start its programs as 64-bit ones.
    WINE=/usr/bin/wine
    WINESERVER=/usr/bin/wineserver
    unset WINELOADER
  fi
}
