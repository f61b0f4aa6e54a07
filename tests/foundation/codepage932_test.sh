#!/usr/bin/env bash
# Runs the foundation tests that need the Japanese ANSI code page (932) under
# a Japanese locale, which Wine takes its code pages from. Without one on the
# system, the locale is compiled into the build folder from the system's
# locale sources; without those the test is skipped (exit 77).
#   codepage932_test.sh win64|win32 FOUNDATION_TESTS_EXE BUILD_FOLDER
set -euo pipefail
arch="$1" exe="$2" build="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"

installed="$(locale -a 2>/dev/null | grep -ix 'ja_JP\.utf-\?8' | head -n 1 || true)"
if [ -n "$installed" ]; then
  export LC_ALL="$installed"
else
  folder="$build/locale"
  if [ ! -d "$folder/ja_JP.UTF-8" ]; then
    if ! command -v localedef >/dev/null || [ ! -f /usr/share/i18n/locales/ja_JP ]; then
      echo "no Japanese locale and no locale sources to make one: skipped"
      exit 77
    fi
    mkdir -p "$folder"
    # Made beside and renamed into place: a half-made locale is never used.
    rm -rf "$folder/ja_JP.UTF-8.$$"
    localedef -i ja_JP -f UTF-8 "$folder/ja_JP.UTF-8.$$" >/dev/null 2>&1 || true
    [ -d "$folder/ja_JP.UTF-8.$$" ] || { echo "localedef could not make ja_JP.UTF-8" >&2; exit 1; }
    mv -T "$folder/ja_JP.UTF-8.$$" "$folder/ja_JP.UTF-8" 2>/dev/null || rm -rf "$folder/ja_JP.UTF-8.$$"
  fi
  export LOCPATH="$folder" LC_ALL=ja_JP.UTF-8
fi
export VAYLO_EXPECT_ACP=932
exec "$root/scripts/wine-run" "$arch" "$exe" --gtest_filter='CodePage932.*'
