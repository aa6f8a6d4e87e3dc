#!/usr/bin/env bash
# Builds the installer (the win32 preset's target "installer") and tests it under 32-bit Wine, in a
# fresh Wine prefix of its own that is removed afterwards: silent installs and uninstalls with the
# registry and the file tree compared with snapshots (tests/installer/installer_test.sh). Installs
# whatever is missing first (as root, on Debian 12).
# Ends with "installer: N passed, M failed" and a non-zero exit status on any failure.
#
# KESTROVA_WIN32_BUILD_DIR names a build folder of one's own instead of the preset's build/win32.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

passed=0
failed=0
summary() { echo "installer: $passed passed, $failed failed"; }
# Counts one failure that ends the run early and prints the summary.
give_up() {
  echo "$1"
  failed=$((failed + 1))
  summary
  exit 1
}

install_windows_packages

echo "==== building the installer (win32 preset)"
build_win32 -DKESTROVA_BUILD_TESTS=ON installer hold_module ||
  give_up "the installer's build failed"
build_dir="$WIN32_BUILD_DIR"
installer="$(find "$build_dir/installer" -maxdepth 1 -name 'FPKestrova-*-setup.exe' | sort \
  | tail -n 1)"
[ -n "$installer" ] || give_up "no installer in $build_dir/installer"

# A prefix of our own, so that nothing installed or registered before leaks into the tests. Its
# Wine server is stopped and the prefix removed however the script ends.
use_fresh_wine_prefix installer-wine

echo "==== preparing a 32-bit Wine prefix"
timeout 300 wineboot -i > /dev/null 2>&1 || give_up "wineboot failed"

echo "==== $(basename "$installer") under Wine"
log="$(mktemp)"
bash tests/installer/installer_test.sh "$installer" "$build_dir/addin/com/FPKestrova.dll" \
  "$build_dir/tests/installer/hold_module.exe" | tee "$log" || true
line="$(grep -E '^installer-checks: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 || true)"
rm -f "$log"
if [ -n "$line" ]; then
  passed=$((passed + $(sed -E 's/^installer-checks: ([0-9]+) passed.*/\1/' <<< "$line")))
  failed=$((failed + $(sed -E 's/.* ([0-9]+) failed$/\1/' <<< "$line")))
else
  echo "the installer's checks printed no result"
  failed=$((failed + 1))
fi

echo
summary
[ "$failed" -eq 0 ]
