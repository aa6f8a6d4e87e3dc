#!/usr/bin/env bash
# Runs the add-in's end-to-end tests (win32_addin_tests.exe, labelled registered_dll):
# FPKestrova.dll inside a stand-in FrontPage under 32-bit Wine on a virtual X display (Xvfb), in a
# fresh Wine prefix of its own into which the built DLL is registered with regsvr32; the prefix's
# Wine server is stopped and the prefix removed afterwards. Builds the DLL and the test program
# first, like scripts/test-windows-ui.sh, and installs what is missing (as root, on Debian 12).
# The screenshots the tests take (.bmp) are copied to build/screenshots/.
# Ends with "addin: N passed, M failed", N and M counted by ctest, and a non-zero exit status on
# any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as addin
install_windows_packages xvfb xauth

echo "==== building FPKestrova.dll and its end-to-end tests"
build_win32 FPKestrova win32_addin_tests || give_up "the Windows build failed"
dll="$WIN32_BUILD_DIR/addin/com/FPKestrova.dll"
[ -f "$dll" ] || give_up "no $dll"

# The tests save their screenshots where KESTROVA_SCREENSHOT_DIR says, as a Windows path; Wine's
# drive Z: is the root of the file system. The folder goes with the Wine prefix.
shots="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-addin-shots.XXXXXX")"
WINE_SCRATCH+=("$shots")
export KESTROVA_SCREENSHOT_DIR="Z:${shots//\//\\}"

run_wine_ctest wine-addin --display --register "$dll" -L registered_dll

if compgen -G "$shots/*.bmp" > /dev/null; then
  mkdir -p build/screenshots
  cp "$shots"/*.bmp build/screenshots/
  echo "screenshots: $(cd "$shots" && ls -- *.bmp | tr '\n' ' ')-> build/screenshots/"
fi

finish_counting
