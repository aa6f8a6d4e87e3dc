#!/usr/bin/env bash
# Builds and runs every test: the native tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded fuzz run, the format check, the Debian package of
# fpkestrova and the Windows tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" "${LINUX_TEST_PACKAGES[@]}"

counting_as all

echo "==== native build and tests"
build_preset linux
run_ctest --test-dir build/linux -j "$(nproc)"

echo "==== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build_preset linux-sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_ctest --test-dir build/linux-sanitize -j "$(nproc)"

# What a packager or a user building by hand runs: the Release type, which optimises harder and so
# warns elsewhere; built once with warnings as errors so that those warnings are seen.
echo "==== the Release build"
if cmake -S . -B build/linux-release -DCMAKE_BUILD_TYPE=Release -DKESTROVA_WARNINGS_AS_ERRORS=ON \
    > /dev/null && cmake --build build/linux-release -j "$(nproc)"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "==== fuzzing the head rewrite, the head locator and the inventory reading (bounded)"
cmake --preset linux-fuzz > /dev/null
cmake --build --preset linux-fuzz -j "$(nproc)" --target rewrite_fuzz head_locator_fuzz inventory_fuzz
for target in rewrite head_locator inventory; do
  fuzz_corpus=$(mktemp -d)
  if "build/linux-fuzz/fuzz/${target}_fuzz" -max_total_time="${KESTROVA_FUZZ_SECONDS:-40}" \
      -max_len=4096 -print_final_stats=1 "$fuzz_corpus" "fuzz/corpus/$target" 2> fuzz.log; then
    passed=$((passed + 1))
    echo "$target: $(grep -E '^stat::number_of_executed_units' fuzz.log)"
  else
    failed=$((failed + 1))
    tail -n 40 fuzz.log
  fi
  rm -rf "$fuzz_corpus" fuzz.log
done

echo "==== format check"
mapfile -t sources < <(git ls-files '*.cc' '*.h')
if clang-format --dry-run -Werror "${sources[@]}"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

# Runs a test script that ends with a line "NAME: N passed, M failed" and adds its counts; a
# script that is missing, fails or prints no such line counts one failure.
run_counted_script() {
  local name="$1" script="$2" title="$3"
  echo "==== $title"
  local log status=0 line
  log=$(mktemp)
  bash "$script" 2>&1 | tee "$log" || status=$?
  line=$(grep -E "^$name: [0-9]+ passed, [0-9]+ failed" "$log" | tail -n 1 || true)
  rm -f "$log"
  if [ -n "$line" ]; then
    passed=$((passed + $(echo "$line" | sed -E 's/^[^:]+: ([0-9]+) passed.*/\1/')))
    failed=$((failed + $(echo "$line" | sed -E 's/.* ([0-9]+) failed.*/\1/')))
  fi
  if [ "$status" -ne 0 ] || [ -z "$line" ]; then
    failed=$((failed + 1))
  fi
}

run_counted_script package scripts/test-package.sh "the Debian package of fpkestrova"
run_counted_script windows scripts/test-windows.sh "Windows build and tests under Wine"
run_counted_script windows-ui scripts/test-windows-ui.sh "the Windows windows under Wine and Xvfb"
run_counted_script addin scripts/test-addin.sh "FPKestrova.dll in a stand-in FrontPage under Wine and Xvfb"
run_counted_script installer scripts/test-installer.sh "the Windows installer under Wine"

finish_counting
