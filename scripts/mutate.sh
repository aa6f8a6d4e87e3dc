#!/usr/bin/env bash
# Puts each single-line fault of a list (scripts/mutations.txt unless one is named) into the code
# on its own, rebuilds the native tests in build/linux-mutate, runs them and says whether a test
# caught the fault: KILLED when one failed, SURVIVED when all passed, INVALID when the line to
# change is not there exactly once or the changed code does not build. The source is restored
# after each fault and when the script ends however it ends. Not part of the test command: a run
# takes about a minute a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
list="${1:-scripts/mutations.txt}"
build=build/linux-mutate

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTROVA_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j "$(nproc)" > /dev/null

changed=""
restore() {
  if [ -n "$changed" ]; then
    mv "$changed.mutate-original" "$changed"
    # The original keeps its old time, older than the mutant's object: without a new one the next
    # build would keep the mutant.
    touch "$changed"
    changed=""
  fi
}
trap restore EXIT

killed=0
survived=0
invalid=0
while IFS=$'\t' read -r file original replacement what; do
  case "$file" in "" | \#*) continue ;; esac
  count=$(grep -cF -- "$original" "$file" || true)
  if [ "$count" -ne 1 ]; then
    echo "INVALID   $what ($file holds the line $count times)"
    invalid=$((invalid + 1))
    continue
  fi
  cp -p "$file" "$file.mutate-original"
  changed="$file"
  # ENVIRON passes the texts to awk as they are, backslashes and all.
  ORIGINAL="$original" REPLACEMENT="$replacement" awk '{
      at = index($0, ENVIRON["ORIGINAL"])
      if (at) $0 = substr($0, 1, at - 1) ENVIRON["REPLACEMENT"] substr($0, at + length(ENVIRON["ORIGINAL"]))
      print
    }' "$file.mutate-original" > "$file"
  if ! cmake --build "$build" -j "$(nproc)" > "$build/mutant-build.log" 2>&1; then
    echo "INVALID   $what (does not build)"
    invalid=$((invalid + 1))
  elif ctest --test-dir "$build" -j "$(nproc)" --timeout 120 --stop-on-failure \
      > "$build/mutant-tests.log" 2>&1; then
    echo "SURVIVED  $what"
    survived=$((survived + 1))
  else
    echo "KILLED    $what"
    killed=$((killed + 1))
  fi
  restore
done < "$list"
cmake --build "$build" -j "$(nproc)" > /dev/null

echo "mutations: $killed killed, $survived survived, $invalid invalid"
