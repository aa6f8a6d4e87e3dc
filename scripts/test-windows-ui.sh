#!/usr/bin/env bash
# Runs the Windows window tests (win32_ui_tests.exe, the tests labelled display that need no
# registered DLL) under 32-bit Wine on a virtual X display (Xvfb), in a fresh Wine prefix of their
# own whose Wine server is stopped and which is removed afterwards. Builds them first, like
# scripts/test-windows.sh, and installs what is missing (as root, on Debian 12). The tests leave
# their screenshots (.bmp) beside the program. The test that every text of the windows fits runs
# again at 120 and 144 dots per inch, each in a prefix of its own; its screenshots at 96 and 144
# dots per inch are copied to build/screenshots/.
# Ends with "windows-ui: N passed, M failed", N and M counted by ctest, and a non-zero exit status
# on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as windows-ui
install_windows_packages xvfb xauth

echo "==== building the Windows window tests"
build_win32 win32_ui_tests || give_up "the Windows build failed"

run_wine_ctest wine-ui --display --dpi 96 -L display -LE registered_dll
for dpi in 120 144; do
  GTEST_FILTER='*EveryTextOfEveryWindowFits*' \
    run_wine_ctest "wine-ui-$dpi" --display --dpi "$dpi" -L display -LE registered_dll
done
shots="$(dirname "$(find "$WIN32_BUILD_DIR" -name win32_ui_tests.exe | head -n 1)")"
if compgen -G "$shots/fit_*dpi.bmp" > /dev/null; then
  mkdir -p build/screenshots
  cp "$shots"/fit_*_96dpi.bmp "$shots"/fit_*_144dpi.bmp build/screenshots/
  echo "screenshots: $(cd "$shots" && ls -- fit_*_96dpi.bmp fit_*_144dpi.bmp | tr '\n' ' ')-> build/screenshots/"
fi

finish_counting
