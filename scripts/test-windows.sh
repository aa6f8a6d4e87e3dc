#!/usr/bin/env bash
# Builds FPKestrova.dll and the Windows tests with MinGW-w64 (the win32 preset) and runs the tests
# under 32-bit Wine, in a fresh Wine prefix of their own that is removed afterwards; then checks the
# DLL's export and import tables. Installs whatever is missing first (as root, on Debian 12).
# Ends with "windows: N passed, M failed" and a non-zero exit status on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

passed=0
failed=0
summary() { echo "windows: $passed passed, $failed failed"; }

install_windows_packages

echo "==== building the win32 preset"
if ! build_win32; then
  echo "the Windows build failed"
  failed=$((failed + 1))
  summary
  exit 1
fi
build_dir="$WIN32_BUILD_DIR"

use_fresh_wine_prefix wine

echo "==== preparing a 32-bit Wine prefix"
if ! timeout 300 wineboot -i > /dev/null 2>&1; then
  echo "wineboot failed"
  failed=$((failed + 1))
  summary
  exit 1
fi

# Runs one GoogleTest program under Wine in its own folder, prints its output and adds its counts.
run_test_program() {
  local program="$1"
  local log
  log="$(mktemp)"
  local status=0
  echo "==== $(basename "$program") under Wine"
  (cd "$(dirname "$program")" && timeout 600 wine "$(basename "$program")") 2>&1 \
    | tr -d '\r' | tee "$log" || status=$?
  add_gtest_counts "$log" "$status" "$(basename "$program")"
  rm -f "$log"
}

# The window tests and the stand-in FrontPage need a display and run from scripts of their own.
mapfile -t programs < <(find "$build_dir/tests" -name '*_tests.exe' -type f \
  ! -name win32_ui_tests.exe ! -name win32_addin_tests.exe | sort)
if [ "${#programs[@]}" -eq 0 ]; then
  echo "no test programs in $build_dir/tests"
  failed=$((failed + 1))
fi
for program in "${programs[@]}"; do
  run_test_program "$program"
done

echo "==== export and import tables of FPKestrova.dll"
pe_log="$(mktemp)"
bash tests/addin/com/check_pe_tables.sh "$build_dir/addin/com/FPKestrova.dll" | tee "$pe_log" || true
pe_line="$(grep -E '^pe-tables: [0-9]+ passed, [0-9]+ failed' "$pe_log" | tail -n 1)"
rm -f "$pe_log"
if [ -n "$pe_line" ]; then
  passed=$((passed + $(sed -E 's/^pe-tables: ([0-9]+) passed.*/\1/' <<< "$pe_line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<< "$pe_line")))
else
  failed=$((failed + 1))
fi

echo
summary
[ "$failed" -eq 0 ]
