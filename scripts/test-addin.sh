#!/usr/bin/env bash
# Runs the add-in's end-to-end tests (win32_addin_tests.exe): FPKestrova.dll inside a stand-in
# FrontPage under 32-bit Wine on a virtual X display (Xvfb), in a fresh Wine prefix of its own into
# which the built DLL is registered with regsvr32; the prefix's Wine server is stopped and the
# prefix removed afterwards. Builds the DLL and the test program first, like
# scripts/test-windows-ui.sh, and installs what is missing (as root, on Debian 12). The screenshots
# the tests take (.bmp) are copied to build/screenshots/.
# Ends with "addin: N passed, M failed" and a non-zero exit status on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

passed=0
failed=0
summary() { echo "addin: $passed passed, $failed failed"; }

install_windows_packages xvfb xauth

echo "==== building FPKestrova.dll and its end-to-end tests"
if ! build_win32 FPKestrova win32_addin_tests; then
  echo "the Windows build failed"
  failed=$((failed + 1))
  summary
  exit 1
fi
build_dir="$WIN32_BUILD_DIR"
program="$(find "$build_dir/tests" -name win32_addin_tests.exe -type f | head -n 1)"
dll="$(find "$build_dir/addin" -name FPKestrova.dll -type f | head -n 1)"
if [ -z "$program" ] || [ -z "$dll" ]; then
  echo "no win32_addin_tests.exe in $build_dir/tests or no FPKestrova.dll in $build_dir/addin"
  failed=$((failed + 1))
  summary
  exit 1
fi
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
dll="$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")"

# A prefix of our own; its Wine server runs inside the virtual display and is stopped on exit.
use_fresh_wine_prefix wine-addin
shots="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-addin-shots.XXXXXX")"
WINE_SCRATCH+=("$shots")
# Wine's drive Z: is the root of the file system.
export KESTROVA_SCREENSHOT_DIR="Z:${shots//\//\\}"

run_wine_tests_on_display "$program" "$dll"

if compgen -G "$shots/*.bmp" > /dev/null; then
  mkdir -p build/screenshots
  cp "$shots"/*.bmp build/screenshots/
  echo "screenshots: $(cd "$shots" && ls -- *.bmp | tr '\n' ' ')-> build/screenshots/"
fi

echo
summary
[ "$failed" -eq 0 ]
