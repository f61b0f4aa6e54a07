# Shared by the run, test, benchmark and screenshot scripts: paths, builds, the
# 32-bit probe, the Wine prefix and Xvfb.
#
# Two builds of the same sources:
#   $BUILD/win32  the product, a PE32 executable for 32-bit Windows;
#   $BUILD/win64  the same sources as PE32+, for machines that cannot
#                 execute 32-bit x86 code (see can_run_32bit).
# $TEST_ARCH is the build the benchmark and screenshot scripts use: win64
# unless VAYLO_TEST_ARCH says win32. use_arch switches the Wine environment
# ($WINE, $WINESERVER, the prefix $BUILD/wineprefix-ARCH) to another build.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VAYLO_BUILD_DIR:-$ROOT/build}"
export VAYLO_BUILD_DIR="$BUILD"
source "$ROOT/scripts/wine-env.sh"

use_arch() { # win32|win64
  wine_env "$1"
}

TEST_ARCH="${VAYLO_TEST_ARCH:-win64}"
use_arch "$TEST_ARCH"

# Whether this machine executes 32-bit x86 code at all: some virtual machines
# do not (every i386 program fails with "Exec format error"), and there 32-bit
# Wine cannot run either. Asks the machine itself, not the package list: runs
# a static i386 ELF of 96 bytes that only calls exit(42) through int 0x80, so
# no 32-bit package is needed. Exit code 42 means 32-bit code runs.
can_run_32bit() {
  local probe="$BUILD/probe-i386" status=0
  mkdir -p "$BUILD"
  {
    # ELF header, 52 bytes: 32-bit, little-endian, version 1; an executable
    # for the 80386 entered at 0x08048054; one 32-byte program header at 52.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    # Program header, 32 bytes: load the whole file (96 bytes) at 0x08048000,
    # readable and executable.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # Code, 12 bytes: mov eax, 1 (exit); mov ebx, 42; int 0x80.
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe.$$"
  chmod +x "$probe.$$"
  # Renamed into place: another script may be running the previous copy.
  mv -f "$probe.$$" "$probe"
  "$probe" 2>/dev/null || status=$?
  [ "$status" -eq 42 ]
}

build_arch() { # win32|win64 [target...]: configures, then builds the targets (all without any)
  local arch="$1" dir="$BUILD/$1" toolchain
  shift
  case "$arch" in
    win32) toolchain="$ROOT/cmake/mingw-i686.cmake" ;;
    win64) toolchain="$ROOT/cmake/mingw-x86_64.cmake" ;;
    *) echo "unknown Windows architecture '$arch' (win32 or win64)" >&2; return 2 ;;
  esac
  # Configure every time (fast once cached): a subsystem folder that gains its
  # CMakeLists.txt later is then picked up without deleting the build.
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$dir" -j"$(nproc)" --target "$@"
  else
    cmake --build "$dir" -j"$(nproc)"
  fi
}

# The product build always; the test build too when it is another one.
configure_and_build() {
  if [ -z "${VAYLO_SKIP_PE32:-}" ] || [ "$TEST_ARCH" = win32 ]; then
    build_arch win32
  fi
  [ "$TEST_ARCH" = win32 ] || build_arch "$TEST_ARCH"
}

# The first start of a prefix runs wineboot (slow); do it once, up front.
ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 || true
  fi
  install_wine_fonts
  link_title_fonts
  # Xvfb runs no window manager, so Wine waits 2 s for every managed window it
  # hides or destroys; unmanaged top-level windows skip that wait.
  if [ ! -f "$WINEPREFIX/.vaylo-unmanaged" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.vaylo-unmanaged"
  fi
  "$WINESERVER" -w 2>/dev/null || true
}

# Debian's Wine looks for its own fonts (MS Sans Serif, MS Shell Dlg, Marlett,
# Tahoma...) only in the prefix's Fonts folder, which wineboot leaves empty:
# every face then falls back to DejaVu Sans, wider than the dialog templates
# were drawn for, and captions are cut. Copies fonts-wine's files into the
# prefix, new prefix or old; a file already there and as new is kept.
install_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" files
  files="$(dpkg -L fonts-wine 2>/dev/null | grep -iE '\.(fon|ttf|ttc|otf)$' || true)"
  if [ -z "$files" ]; then
    echo "fonts-wine is not installed: dialogs use fallback fonts and captions may be cut" >&2
    return 0
  fi
  mkdir -p "$fonts"
  # shellcheck disable=SC2086
  cp -u -p $files "$fonts/"
}

# Wine's Tahoma, the menus' font, has neither Greek nor CJK glyphs, and Wine
# draws a missing glyph from another font only through the font links of the
# registry: Tahoma is linked to DejaVu Sans and to WenQuanYi Micro Hei
# (fonts-wqy-microhei), which Wine finds through fontconfig, so window titles
# in those scripts are drawn in the tray menu. Written every time: Wine writes
# its own links afresh whenever the prefix's code page changes. (A bitmap font
# such as the dialogs' "MS Sans Serif" never falls back to a linked font.)
link_title_fonts() {
  "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans\0wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 || true
}

# Switches to a prefix of its own whose screen has that DPI
# (HKCU\Control Panel\Desktop LogPixels), made once and then reused, so the
# build's own prefix stays at 96 for every other test.
use_dpi_prefix() { # win32|win64 dpi
  export VAYLO_WINEPREFIX="$BUILD/wineprefix-$1-dpi$2"
  use_arch "$1"
  ensure_prefix
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  "$WINESERVER" -w 2>/dev/null || true
}

XVFB_PID=""
start_xvfb() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

# Stops the current architecture's wineserver and the Xvfb started here.
stop_all() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Everything a benchmark run needs: installs, both builds, a private Xvfb and
# the prefix; Wine and Xvfb are stopped when the script ends.
prepare_test_session() {
  "$ROOT/scripts/setup.sh"
  configure_and_build
  trap stop_all EXIT
  start_xvfb
  ensure_prefix
}
