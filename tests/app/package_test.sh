#!/usr/bin/env bash
# The release package: scripts/package.sh packs this build's Vaylo.exe, the
# zip is unpacked into a fresh folder, its layout and files are checked, and
# package_run.exe runs the unpacked bin/Vaylo.exe.
#   package_test.sh ARCH PACKAGE_RUN.exe VAYLO.exe PLANTED.dll
# The product package holds the PE32 build; the win64 build tree packs its
# PE32+ build the same way, so machines that cannot run 32-bit code test the
# package too. Needs DISPLAY and the build's Wine prefix.
set -uo pipefail
arch="$1" run_exe="$2" vaylo_exe="$3" planted_dll="$4"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

source "$root/tests/support/check.sh"

version="$(sed -n 's/^PRODUCTVERSION[[:space:]]*//p' "$root/resources/Vaylo.rc" | tr -d ' \r' | tr , .)"
zip="$(bash "$root/scripts/package.sh" "$vaylo_exe" "$work/dist")" || { echo "package.sh failed"; exit 1; }
check "the zip is named after the version resource" "$work/dist/WindowVaylo-$version.zip" "$zip"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip") || { echo "the zip does not unpack"; exit 1; }
unpacked="$work/unpacked"

check "the package holds exactly the program, the licence and the readme" \
  "README.txt bin/Vaylo.exe licence/licence.txt" \
  "$(cd "$unpacked" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
check "the licence is the shipped one" 0 "$(cmp -s "$root/resources/licence.txt" "$unpacked/licence/licence.txt"; echo $?)"

# The PE header: the optional header's magic (PE32 0x10b, PE32+ 0x20b) and the
# COFF symbol table, which a stripped file no longer has.
pe=$(od -An -tu4 -j60 -N4 "$unpacked/bin/Vaylo.exe" | tr -d ' ')
magic=$(od -An -tx2 -j$((pe + 24)) -N2 "$unpacked/bin/Vaylo.exe" | tr -d ' ')
symbols=$(od -An -tu4 -j$((pe + 12)) -N4 "$unpacked/bin/Vaylo.exe" | tr -d ' ')
check "the program is this build's ($arch)" "$([ "$arch" = win32 ] && echo 010b || echo 020b)" "$magic"
check "the program is stripped" 0 "$symbols"

readme="$unpacked/README.txt"
check "every line of README.txt ends in CRLF" 0 "$(grep -c $'[^\r]$\|^$' "$readme")"
for text in 'Vaylo.exe uninstall' 'HKEY_LOCAL_MACHINE\Software\MorvaneUtilities\Vaylo' 'Ctrl+Shift+H' \
  'Ctrl+Shift+M' 'Start Application When Windows Starts' 'VirtualStore'; do
  check "README.txt tells \"$text\"" yes "$(grep -qF "$text" "$readme" && echo yes)"
done

# A download folder may hold files named as the libraries the program loads
# at run time: the system's own must be loaded all the same. (Not version or
# ole32: Wine's own libraries import them as the process starts, before any
# code of the program runs, and Wine names a planted file as their source.)
for name in riched20 dwmapi psapi; do
  cp "$planted_dll" "$unpacked/bin/$name.dll"
done

echo "-- the unpacked program, run"
VAYLO_EXE_UNDER_TEST="$unpacked/bin/Vaylo.exe" "$root/scripts/wine-run" "$arch" "$run_exe" ||
  failures=$((failures + 1))

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "the package checks passed"
