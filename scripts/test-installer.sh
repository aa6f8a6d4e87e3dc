#!/usr/bin/env bash
# Builds the installer (the win32 preset's target "installer") and runs its test, labelled
# installer, under 32-bit Wine, in a fresh Wine prefix of its own that is removed afterwards:
# silent installs and uninstalls with the registry and the file tree compared with snapshots
# (tests/installer/installer_test.sh). Installs whatever is missing first (as root, on Debian 12).
# Ends with "installer: N passed, M failed", N and M counted by ctest, and a non-zero exit status
# on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as installer
install_windows_packages

echo "==== building the installer (win32 preset)"
build_win32 -DKESTROVA_BUILD_TESTS=ON installer hold_module ||
  give_up "the installer's build failed"

run_wine_ctest installer-wine -L installer

finish_counting
