#!/usr/bin/env bash
# The caption test again at 144 DPI, in a prefix of its own (made once, then
# reused) whose HKCU\Control Panel\Desktop LogPixels is 144, so no other test
# ever runs at that size. It prints each caption's measurement and fails only
# when a dialog does not open: at 144 DPI Wine's choice of bitmap size for the
# templates' face, not the templates, decides what fits.
#   caption_dpi_test.sh ARCH BUILD_TREE CAPTION_TESTS.exe
set -euo pipefail
arch="$1" tree="$2" exe="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
export VAYLO_BUILD_DIR="$(dirname "$tree")"
source "$root/scripts/common.sh"
use_dpi_prefix "$arch" 144
status=0
VAYLO_CAPTION_REPORT=1 "$root/scripts/wine-run" "$arch" "$exe" || status=$?
"$WINESERVER" -k 2>/dev/null || true
exit "$status"
