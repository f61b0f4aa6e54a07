#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine in Xvfb.
set -euo pipefail
source "$(dirname "$0")/common.sh"
prepare_test_session
cd "$BUILD/$TEST_ARCH"
ctest --output-on-failure --no-tests=error --timeout 600 "$@"
