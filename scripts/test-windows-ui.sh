#!/usr/bin/env bash
# Runs the Windows window tests (win32_ui_tests.exe) under 32-bit Wine on a virtual X display
# (Xvfb), in a fresh Wine prefix of their own whose Wine server is stopped and which is removed
# afterwards. Builds the Windows tests first, like scripts/test-windows.sh, and installs what is
# missing (as root, on Debian 12). The tests leave their screenshots (.bmp) beside the program.
# Ends with "windows-ui: N passed, M failed" and a non-zero exit status on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

passed=0
failed=0
summary() { echo "windows-ui: $passed passed, $failed failed"; }

install_windows_packages xvfb xauth

echo "==== building the Windows window tests"
if ! build_win32 win32_ui_tests; then
  echo "the Windows build failed"
  failed=$((failed + 1))
  summary
  exit 1
fi
build_dir="$WIN32_BUILD_DIR"
program="$(find "$build_dir/tests" -name win32_ui_tests.exe -type f | head -n 1)"
if [ -z "$program" ]; then
  echo "no win32_ui_tests.exe in $build_dir/tests"
  failed=$((failed + 1))
  summary
  exit 1
fi

# A prefix of our own; its Wine server runs inside the virtual display and is stopped on exit.
use_fresh_wine_prefix wine-ui

log="$(mktemp)"
status=0
echo "==== $(basename "$program") under Wine on Xvfb"
# One xvfb-run for the prefix's preparation and the tests, so that the Wine server starts inside it.
# Xvfb has no window manager: Wine draws the title bars itself (Decorated=N), so that they show on
# the screenshots.
run_under_display='
  wineboot -i > /dev/null 2>&1 || exit 1
  wine reg add "HKCU\Software\Wine\X11 Driver" /v Decorated /d N /f > /dev/null 2>&1
  wine win32_ui_tests.exe
  status=$?
  wineserver -k > /dev/null 2>&1
  exit $status'
(cd "$(dirname "$program")" &&
  timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$run_under_display") 2>&1 \
  | tr -d '\r' | tee "$log" || status=$?
good="$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)"
bad="$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)"
skipped="$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?,.*/\1/p' "$log" | tail -n 1)"
rm -f "$log"
if [ -z "$good" ]; then
  echo "win32_ui_tests.exe printed no result (exit status $status)"
  failed=$((failed + 1))
else
  passed=$((passed + good))
  failed=$((failed + ${bad:-0}))
  if [ "$status" -ne 0 ] && [ -z "$bad" ]; then
    failed=$((failed + 1))
  fi
  # Under Xvfb the display is there: a skipped window test is a failure here.
  failed=$((failed + ${skipped:-0}))
fi

echo
summary
[ "$failed" -eq 0 ]
