#!/usr/bin/env bash
# Builds, then measures and prints how long the program takes from its start
# to a visible main window, and what one list refresh of the running program
# costs with many windows and with a hung one among them. Prints figures;
# checks nothing.
#   bash scripts/benchmark.sh [samples]
set -euo pipefail
source "$(dirname "$0")/common.sh"
prepare_test_session
"$WINE" "$BUILD/$TEST_ARCH/tests/app/app_benchmark.exe" "$@" | tr -d '\r'
