#!/usr/bin/env bash
# Builds FPKestrova.dll and the Windows tests with MinGW-w64 (the win32 preset) and runs the tests
# that need neither a display nor a prefix of their own under 32-bit Wine, in a fresh Wine prefix
# that is removed afterwards; among them the check of the DLL's export and import tables. Installs
# whatever is missing first (as root, on Debian 12).
# Ends with "windows: N passed, M failed", N and M counted by ctest, and a non-zero exit status on
# any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as windows
install_windows_packages

echo "==== building the win32 preset"
build_win32 || give_up "the Windows build failed"

# The window tests, the stand-in FrontPage and the installer run from scripts of their own.
# Wine's WinINet now and then takes a connection reset by the loopback server for an empty
# answer (seen before and after the transfer code was shared): a test program that fails is run
# once more, and fails the script only when it fails again.
run_wine_ctest wine -LE 'display|installer|addin_bench' --repeat until-pass:2

finish_counting
