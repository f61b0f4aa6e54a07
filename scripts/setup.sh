#!/usr/bin/env bash
# Installs what building, running and testing need, on Debian 12 as root.
# Fast when everything is already there: it only calls apt-get for what is missing.
set -euo pipefail
source "$(dirname "$0")/common.sh"

packages=(
  cmake make
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  googletest
  wine wine64 fonts-wine fonts-wqy-microhei fonts-dejavu-core
  xvfb xauth x11-utils xdotool imagemagick
  clang-format
  zip unzip
)

# 32-bit Wine where this machine executes 32-bit code (or where the tests are
# told to use the win32 build): the run and test scripts then start the PE32
# build itself.
if can_run_32bit || [ "${VAYLO_TEST_ARCH:-}" = win32 ]; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# apt-get that waits for another package run's lock instead of failing at once.
apt_get() {
  local try
  for try in 1 2 3; do
    apt-get -q -o DPkg::Lock::Timeout=300 "$@" && return 0
    [ "$try" = 3 ] || { echo "setup: apt-get $1 failed; trying again in 20 s" >&2; sleep 20; }
  done
  return 1
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
elif [ -n "${need_update:-}" ]; then
  apt_get update
fi
