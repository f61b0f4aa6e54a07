#!/usr/bin/env bash
# Measures the program and writes the figures to docs/BENCHMARKS.md: the floor
# of one list refresh (a bare enumeration, with and without an icon query per
# window), one refresh with 10 to 1000 windows unchanged and with a tenth of
# them changed, with one and ten hung windows, the idle program's CPU and
# what it adds in the wineserver and the X server, start-up beside Wine's
# notepad, executable size and working set. Prints figures; checks nothing.
#
#   VAYLO_TEST_ARCH=win32 bash scripts/benchmark.sh [app_benchmark options]
#
# Measures the PE32 product where 32-bit code runs (VAYLO_TEST_ARCH=win32),
# the PE32+ build otherwise; the table says which. The table replaces the
# part of docs/BENCHMARKS.md between the "benchmark:latest" markers. Options
# go to app_benchmark.exe (tests/app/Benchmark.cpp), e.g. --samples 15,
# --idle 60, --sizes 10,100,500,1000. Takes about ten minutes.
# --held-only N measures only the held windows (Exit with ten hung programs,
# the start after a kill with 50 recorded), N samples each, and prints them
# without touching docs/BENCHMARKS.md: about two minutes.
# --footprint-only SECONDS prints only the working set, private bytes and
# libraries of the idle program and of notepad started beside it, read that
# long after the start; docs/BENCHMARKS.md is left as it is. --rules-only N
# measures only the refresh with ten rules beside none (100 and 1000 windows),
# N samples each, into the "benchmark:rules" markers: a few minutes.
#
# An earlier build measured the same way, for comparison: VAYLO_EXE_UNDER_TEST
# names its Vaylo.exe (a Unix path), VAYLO_BENCHMARK_SECTION the markers its
# table goes between ("before": "benchmark:before").
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/setup.sh"
build_arch "$TEST_ARCH" Vaylo vaylo_targets app_benchmark
trap stop_all EXIT
start_xvfb
ensure_prefix
case " $* " in
  *" --held-only "* | *" --footprint-only "*)
    "$WINE" "$BUILD/$TEST_ARCH/tests/app/app_benchmark.exe" "$@" | tr -d '\r'
    exit "${PIPESTATUS[0]}" ;;
esac

# A wineserver that stays for the whole run, so its CPU can be read from /proc:
# the one working in the folder Wine names after this build's prefix
# (server-<device>-<inode> in hexadecimal).
"$WINESERVER" -p
server_dir="server-$(printf '%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))"
wineserver_pid=""
for _ in $(seq 1 50); do
  for pid in $(pgrep -x 'wineserver(64)?' || true); do
    case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in
      */"$server_dir") wineserver_pid=$pid ;;
    esac
  done
  [ -n "$wineserver_pid" ] && break
  sleep 0.1
done
[ -n "$wineserver_pid" ] || echo "the wineserver was not found: its CPU is left out" >&2

section="${VAYLO_BENCHMARK_SECTION:-latest}"
case " $* " in *" --rules-only "*) section="${VAYLO_BENCHMARK_SECTION:-rules}" ;; esac
table="$BUILD/benchmark-table.md"
rm -f "$table"
"$WINE" "$BUILD/$TEST_ARCH/tests/app/app_benchmark.exe" --wineserver "${wineserver_pid:-0}" \
  --xserver "${XVFB_PID:-0}" --markdown "$table" "$@" | tr -d '\r'

doc="$ROOT/docs/BENCHMARKS.md"
[ -f "$table" ] || { echo "no table was written" >&2; exit 1; }
grep -q "<!-- benchmark:$section -->" "$doc" 2>/dev/null ||
  printf '\n<!-- benchmark:%s -->\n<!-- /benchmark:%s -->\n' "$section" "$section" >>"$doc"
{
  measured="commit $(git -C "$ROOT" rev-parse --short HEAD)"
  [ -z "${VAYLO_EXE_UNDER_TEST:-}" ] || measured="$VAYLO_EXE_UNDER_TEST, with the benchmark of $measured"
  echo "Run on $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version 2>/dev/null || echo Wine), $measured."
  echo
  cat "$table"
} >"$table.dated"
# The table goes between the markers; the rest of the page stays.
awk -v table="$table.dated" -v first="<!-- benchmark:$section -->" -v last="<!-- /benchmark:$section -->" '
  $0 == last { while ((getline line < table) > 0) print line; skipping = 0 }
  !skipping { print }
  $0 == first { skipping = 1 }
' "$doc" >"$doc.new"
mv "$doc.new" "$doc"
echo "written to docs/BENCHMARKS.md"
