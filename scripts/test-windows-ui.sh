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

run_wine_tests_on_display "$program"

echo
summary
[ "$failed" -eq 0 ]
