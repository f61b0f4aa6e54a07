#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine in Xvfb.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"
configure_and_build
trap stop_all EXIT
start_xvfb
ensure_prefix
cd "$BUILD/$TEST_ARCH"
ctest --output-on-failure --no-tests=error --timeout 600 "$@"
