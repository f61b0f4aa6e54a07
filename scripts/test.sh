#!/usr/bin/env bash
# Installs what is missing, checks the layering (check-layers.sh) and the
# formatting (check-format.sh), builds the PE32 product (win32) and the PE32+
# build (win64), and runs every test under Wine in Xvfb: against the win64
# build, and against the win32 build too where this machine executes 32-bit
# x86 code. VAYLO_TEST_ARCH=win32|win64 runs the tests against that build only.
# Arguments go to ctest, e.g. -R foundation.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"

# The checks come first and fail the run, but the build and the tests still
# run after a failed one, so one run tells everything.
failed_checks=()
"$ROOT/scripts/check-layers.sh" || failed_checks+=(check-layers.sh)
"$ROOT/scripts/check-format.sh" || failed_checks+=(check-format.sh)

if [ -n "${VAYLO_TEST_ARCH:-}" ]; then
  archs=("$TEST_ARCH")
  if [ "$TEST_ARCH" = win32 ] && ! can_run_32bit; then
    echo "test.sh: this machine cannot execute 32-bit x86 code; the win32 tests will fail" >&2
  fi
elif can_run_32bit; then
  archs=(win64 win32)
else
  archs=(win64)
  echo "This machine cannot execute 32-bit x86 code: the tests run against the win64 build only."
fi

# The product with warnings as errors (every project target is built with
# -Werror), and the PE32+ build.
build_arch win32
build_arch win64

trap stop_all EXIT
start_xvfb
failed=()
for arch in "${archs[@]}"; do
  use_arch "$arch"
  ensure_prefix
  echo "Tests against the $arch build ($BUILD/$arch, Wine prefix $WINEPREFIX):"
  (cd "$BUILD/$arch" && ctest --output-on-failure --no-tests=error --timeout 600 "$@") || failed+=("$arch")
  "$WINESERVER" -k >/dev/null 2>&1 || true
done
status=0
if [ ${#failed[@]} -gt 0 ]; then
  status=1
  [ ${#archs[@]} -eq 1 ] || echo "test.sh: tests failed against the ${failed[*]} build" >&2
fi
if [ ${#failed_checks[@]} -gt 0 ]; then
  status=1
  echo "test.sh: failed: ${failed_checks[*]} (the list is above the build)" >&2
fi
exit "$status"
