# Shared by the run and test scripts: paths, builds, the Wine prefix and Xvfb.
#
# Two builds of the same sources:
#   $BUILD/win32  the product, a PE32 executable for 32-bit Windows;
#   $BUILD/win64  a PE32+ build that runs the tests. Machines whose CPU
#                 virtualisation cannot execute 32-bit x86 code (so no 32-bit
#                 Wine) run this one; set VAYLO_TEST_ARCH=win32 where 32-bit
#                 Wine works to test the product build itself.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VAYLO_BUILD_DIR:-$ROOT/build}"
export VAYLO_BUILD_DIR="$BUILD"
TEST_ARCH="${VAYLO_TEST_ARCH:-win64}"
export WINEARCH="$TEST_ARCH"
export WINEPREFIX="$BUILD/wineprefix-$TEST_ARCH"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ "$TEST_ARCH" = win64 ]; then
  export WINELOADER=/usr/lib/wine/wine64
  WINE=/usr/lib/wine/wine64
  WINESERVER=/usr/lib/wine/wineserver64
else
  WINE=wine
  WINESERVER=wineserver
fi

build_arch() { # win32|win64
  local arch="$1" dir="$BUILD/$1" toolchain
  case "$arch" in
    win32) toolchain="$ROOT/cmake/mingw-i686.cmake" ;;
    win64) toolchain="$ROOT/cmake/mingw-x86_64.cmake" ;;
  esac
  # Configure every time (fast once cached): a subsystem folder that gains its
  # CMakeLists.txt later is then picked up without deleting the build.
  cmake -S "$ROOT" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$dir" -j"$(nproc)"
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
  # Xvfb runs no window manager, so Wine waits 2 s for every managed window it
  # hides or destroys; unmanaged top-level windows skip that wait.
  if [ ! -f "$WINEPREFIX/.vaylo-unmanaged" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
      touch "$WINEPREFIX/.vaylo-unmanaged"
  fi
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

stop_all() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Everything a test or benchmark run needs: installs, both builds, a private
# Xvfb and the prefix; Wine and Xvfb are stopped when the script ends.
prepare_test_session() {
  "$ROOT/scripts/setup.sh"
  configure_and_build
  trap stop_all EXIT
  start_xvfb
  ensure_prefix
}
