#!/usr/bin/env bash
# Makes the release package dist/WindowVaylo-<version>.zip:
#   bin/Vaylo.exe          the PE32 product, stripped
#   licence/licence.txt    the licence the About box shows
#   README.txt             for Windows users (CRLF line endings)
# The version is the version resource's PRODUCTVERSION (resources/Vaylo.rc),
# "1, 0, 0, 0" giving 1.0.0.0.
#
#   bash scripts/package.sh                  # builds the PE32 product and packs it
#   bash scripts/package.sh EXE OUT_FOLDER   # packs that Vaylo.exe instead
#
# The second form is for the package test on machines that cannot run 32-bit
# code: it packs the PE32+ build the same way. Prints the zip's path.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# The version resource's product version, dotted.
product_version() {
  sed -n 's/^PRODUCTVERSION[[:space:]]*//p' "$ROOT/resources/Vaylo.rc" | tr -d ' \r' | tr , .
}

# PE32 or PE32+ from the optional header's magic number (0x10b or 0x20b).
pe_kind() { # exe
  local offset magic
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  magic=$(od -An -tx2 -j$((offset + 24)) -N2 "$1" | tr -d ' ')
  case "$magic" in
    010b) echo PE32 ;;
    020b) echo PE32+ ;;
    *) echo unknown ;;
  esac
}

# Packs exe, the licence and the readme into out/WindowVaylo-<version>.zip.
package() { # exe out
  local exe="$1" out="$2" version stage zip strip
  version="$(product_version)"
  [ -n "$version" ] || { echo "package.sh: no PRODUCTVERSION in resources/Vaylo.rc" >&2; return 1; }
  case "$(pe_kind "$exe")" in
    PE32) strip=i686-w64-mingw32-strip ;;
    PE32+) strip=x86_64-w64-mingw32-strip ;;
    *) echo "package.sh: $exe is no Windows executable" >&2; return 1 ;;
  esac
  stage="$(mktemp -d)"
  mkdir -p "$stage/bin" "$stage/licence" "$out"
  cp "$exe" "$stage/bin/Vaylo.exe"
  "$strip" "$stage/bin/Vaylo.exe"
  cp "$ROOT/resources/licence.txt" "$stage/licence/licence.txt"
  sed 's/\r$//; s/$/\r/' "$ROOT/resources/release/README.txt" >"$stage/README.txt"
  zip="$(cd "$out" && pwd)/WindowVaylo-$version.zip"
  rm -f "$zip"
  (cd "$stage" && zip -q -X -r "$zip" bin licence README.txt)
  rm -rf "$stage"
  echo "$zip"
}

if [ $# -eq 0 ]; then
  "$ROOT/scripts/setup.sh" >&2
  build_arch win32 Vaylo >&2
  package "$BUILD/win32/app/Vaylo.exe" "$ROOT/dist"
elif [ $# -eq 2 ]; then
  package "$1" "$2"
else
  echo "usage: $0 [EXE OUT_FOLDER]" >&2
  exit 2
fi
