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

# 32-bit Wine comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture for 32-bit Wine"
  as_root=""
  if [ "$(id -u)" -ne 0 ]; then
    as_root="sudo"
  fi
  $as_root dpkg --add-architecture i386
  $as_root apt-get update -qq
fi
WINDOWS_PACKAGES=(
  cmake make g++ googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools nsis
  libwine-dev wine wine32:i386
)
install_missing_packages "${WINDOWS_PACKAGES[@]}"

echo "==== building the win32 preset"
build_dir="${KESTROVA_WIN32_BUILD_DIR:-build/win32}"
if [ -n "${KESTROVA_WIN32_BUILD_DIR:-}" ]; then
  configure=(cmake -S . -B "$build_dir" --toolchain cmake/toolchain-i686-w64-mingw32.cmake
             -DCMAKE_BUILD_TYPE=Release)
else
  configure=(cmake --preset win32)
fi
if ! "${configure[@]}" > /dev/null || ! cmake --build "$build_dir" -j "$(nproc)"; then
  echo "the Windows build failed"
  failed=$((failed + 1))
  summary
  exit 1
fi

# A prefix of our own, so that no earlier registration or setting leaks into the tests. Its Wine
# server is stopped and the prefix removed however the script ends.
prefix="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-wine.XXXXXX")"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
stop_wine() {
  wineserver -k > /dev/null 2>&1 || true
  wineserver -w > /dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap stop_wine EXIT

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
  local good bad
  good="$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)"
  bad="$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)"
  rm -f "$log"
  if [ -z "$good" ]; then
    echo "$(basename "$program") printed no result (exit status $status)"
    failed=$((failed + 1))
    return 0
  fi
  passed=$((passed + good))
  failed=$((failed + ${bad:-0}))
  if [ "$status" -ne 0 ] && [ -z "$bad" ]; then
    failed=$((failed + 1))
  fi
}

mapfile -t programs < <(find "$build_dir/tests" -name '*_tests.exe' -type f | sort)
if [ "${#programs[@]}" -eq 0 ]; then
  echo "no test programs in $build_dir/tests"
  failed=$((failed + 1))
fi
for program in "${programs[@]}"; do
  run_test_program "$program"
done

echo "==== export and import tables of FPKestrova.dll"
pe_log="$(mktemp)"
bash tests/win32/check_pe_tables.sh "$build_dir/addin/com/FPKestrova.dll" | tee "$pe_log" || true
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
