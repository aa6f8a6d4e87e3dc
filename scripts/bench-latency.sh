#!/usr/bin/env bash
# Benchmarks a publish against a server at a distance: a server on 127.0.0.1 that waits
# KESTROVA_BENCH_DELAY_MS (20) before each answer serves KESTROVA_BENCH_FILES (200) mending files
# of 2 to 10 KB, and whole processes fetch them all, in interleaved rounds:
#   fpkestrova publish --connections 1   one request after another
#   fpkestrova publish                   8 connections at once (the default)
#   curl                                 the same files over one connection
#   curl --parallel --parallel-max 8     the same files over up to 8 connections
# fpkestrova also asks for the folder and the inventory first and stores the inventory last (three
# requests more than curl makes), then mends the web's page for each file: the web holds the
# 200 pages, put back as they were before each run, so that every run rewrites them all and puts
# them on the disk. Medians of files per second are reported, with the ratio of each to curl's
# parallel run. KESTROVA_BENCH_DELAY_MS=0 measures the same on plain loopback.
# KESTROVA_BENCH_WRITER=1 keeps another process writing a large file to the same file system
# (dd of 2,000 MB with conv=fdatasync, over and over while the rounds last), to see what the
# publish pays for writes that are not its own. Set TMPDIR to choose the file system.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" libbenchmark-dev libgumbo-dev curl

delay_ms="${KESTROVA_BENCH_DELAY_MS:-20}"
files="${KESTROVA_BENCH_FILES:-200}"
rounds="${KESTROVA_BENCH_ROUNDS:-5}"

prepare_latency_bench latency

# The service folder: mending files of 2 to 10 KB and an inventory listing them, itself last.
mkdir -p "$work/web" "$work/pages" "$work/curl"
write_bench_mending_site "$work/site" "$files" "http://www.example.com"
for k in $(seq 1 "$files"); do
  printf '<html><head><title>Old page %d</title></head><body><p>%d</p></body></html>\n' \
    "$k" "$k" > "$work/pages/page$k.htm"
done

start_latency_server "$work/site" "$delay_ms"
: > "$work/curl.config"
for k in $(seq 1 "$files"); do
  printf 'url = "%s/kestrova/page%d.htm"\noutput = "%s/curl/page%d.htm"\n' \
    "$site" "$k" "$work" "$k" >> "$work/curl.config"
done
echo "==== $files files, $delay_ms ms before each answer, $rounds interleaved rounds"

# Runs one contestant once; prints its seconds.
run_once() {
  local start end
  rm -rf "$work/web/kestrova" "$work/curl"/*
  cp "$work/pages"/* "$work/web/"
  sync -f "$work/web"
  start=$(date +%s%N)
  case "$1" in
    one) "$program" -q --on-missing=publish publish --connections 1 "$work/web" \
      --destination "$site" > /dev/null ;;
    eight) "$program" -q --on-missing=publish publish "$work/web" \
      --destination "$site" > /dev/null ;;
    curl) curl --disable --silent --fail --noproxy '*' --config "$work/curl.config" ;;
    curl8) curl --disable --silent --fail --noproxy '*' --parallel --parallel-immediate --parallel-max 8 \
      --config "$work/curl.config" 2> /dev/null ;;
  esac
  end=$(date +%s%N)
  if [ "$1" = one ] || [ "$1" = eight ]; then
    [ "$(find "$work/web/kestrova" -name 'page*.htm' | wc -l)" = "$files" ]
  else
    [ "$(find "$work/curl" -name 'page*.htm' | wc -l)" = "$files" ]
  fi
  echo "scale=4; ($end - $start) / 1000000000" | bc
}

writer_pid=""
if [ "${KESTROVA_BENCH_WRITER:-0}" = 1 ]; then
  # At most 400 files of 2,000 MB, one after another; stopped when the rounds end.
  (
    dd_pid=""
    trap '[ -n "$dd_pid" ] && kill "$dd_pid" 2> /dev/null; exit 0' TERM
    for _ in $(seq 1 400); do
      dd if=/dev/zero of="$work/big" bs=1M count=2000 conv=fdatasync status=none &
      dd_pid=$!
      wait "$dd_pid" || true
    done
  ) &
  writer_pid=$!
  trap '[ -z "$writer_pid" ] || kill "$writer_pid" 2> /dev/null || true; stop_latency_bench' EXIT
  echo "==== another process writes $work/big meanwhile"
  sleep 2
fi

contestants=(one eight curl curl8)
for c in "${contestants[@]}"; do : > "$work/times.$c"; done
for r in $(seq 1 "$rounds"); do
  # Each round starts with another contestant, so that none always runs first.
  for i in 0 1 2 3; do
    c=${contestants[$(((i + r) % 4))]}
    run_once "$c" >> "$work/times.$c"
  done
done

if [ -n "$writer_pid" ]; then
  kill "$writer_pid" 2> /dev/null || true
  wait "$writer_pid" 2> /dev/null || true
  writer_pid=""
  rm -f "$work/big"
fi

median() { sort -n "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
base=$(median "$work/times.curl8")
printf '%-42s %10s %10s %12s\n' "contestant" "seconds" "files/s" "time / curl8"
for c in "${contestants[@]}"; do
  case "$c" in
    one) label="fpkestrova publish --connections 1" ;;
    eight) label="fpkestrova publish (8 connections)" ;;
    curl) label="curl, one connection" ;;
    curl8) label="curl --parallel --parallel-max 8" ;;
  esac
  m=$(median "$work/times.$c")
  printf '%-42s %10s %10.1f %12.2f\n' "$label" "$m" "$(echo "$files / $m" | bc -l)" \
    "$(echo "$m / $base" | bc -l)"
done
