#!/usr/bin/env bash
# Measures a publish of a large web inside the stand-in FrontPage (win32_addin_bench): the first
# publish and the second of the unchanged web, with the windows the editor opened and the time of
# each, against the time of reading every listed page and mending file from the disk once. Runs
# under 32-bit Wine on a virtual X display in a fresh prefix, as scripts/test-addin.sh does.
# KESTROVA_BENCH_PAGES (10000) and KESTROVA_BENCH_OPEN_DELAY_MS (5) set the web's size and what
# each window the editor opens costs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as addin-bench
install_windows_packages xvfb xauth

echo "==== building FPKestrova.dll and the publish benchmark"
build_win32 FPKestrova win32_addin_bench || give_up "the Windows build failed"
dll="$WIN32_BUILD_DIR/addin/com/FPKestrova.dll"
[ -f "$dll" ] || give_up "no $dll"

export KESTROVA_BENCH_PAGES="${KESTROVA_BENCH_PAGES:-10000}"
export KESTROVA_BENCH_OPEN_DELAY_MS="${KESTROVA_BENCH_OPEN_DELAY_MS:-5}"
run_wine_ctest wine-addin-bench --display --register "$dll" -L addin_bench -V

finish_counting
