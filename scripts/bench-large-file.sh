#!/usr/bin/env bash
# Benchmarks the download of one mending file as large as a mending file may be (64 MiB by
# default, KESTROVA_BENCH_MIB): a server on 127.0.0.1 serves it, and in interleaved rounds
#   fpkestrova publish   asks for the folder and the inventory, fetches the file into the mend
#                        folder and stores the inventory
#   curl -o              fetches the same file into a file
#   curl -o, sync -f     the same, then flushes the file system it landed on, as fpkestrova does
#                        before it stores the inventory that lists the file
# Medians of the seconds and of the peak resident memory are reported, with the ratio of
# fpkestrova's time to curl's. With KESTROVA_BENCH_BODY=1 the bulk of the file lies in its body,
# after a short head, and the web holds a page for it, so that the publish also mends that page
# from the file's head.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" libbenchmark-dev libgumbo-dev curl time

mib="${KESTROVA_BENCH_MIB:-64}"
rounds="${KESTROVA_BENCH_ROUNDS:-7}"

prepare_latency_bench large

mkdir -p "$work/site/kestrova" "$work/web"
if [ "${KESTROVA_BENCH_BODY:-0}" = 1 ]; then
  {
    echo "<html><head><title>A large mending file</title><meta name=\"a\" content=\"1\">"
    echo "<meta name=\"b\" content=\"2\"><meta name=\"c\" content=\"3\"></head><body>"
    head -c $((mib * 1024 * 1024 - 100)) /dev/zero | tr '\0' 'x'
    echo "</body></html>"
  } > "$work/site/kestrova/large.htm"
  echo "<html><head><title>The page</title></head><body>page</body></html>" > "$work/page.htm"
else
  {
    echo "<html><head><title>A large mending file</title>"
    head -c $((mib * 1024 * 1024 - 100)) /dev/zero | tr '\0' 'x'
    echo "</head></html>"
  } > "$work/site/kestrova/large.htm"
fi
printf '12/7/2026 7:20:00 PM\r\nhttp://www.example.com\r\nlarge.htm\r\ninventory.txt\r\n' \
  > "$work/site/kestrova/inventory.txt"
size=$(stat -c %s "$work/site/kestrova/large.htm")

start_latency_server "$work/site" 0
echo "==== one file of $size bytes from 127.0.0.1, $rounds interleaved rounds"

# Runs one contestant once; prints its seconds and its peak memory in KiB.
run_once() {
  local start end
  rm -rf "$work/web/kestrova" "$work/curl.htm"
  if [ -f "$work/page.htm" ]; then cp "$work/page.htm" "$work/web/large.htm"; fi
  sync
  start=$(date +%s%N)
  case "$1" in
    fpkestrova) /usr/bin/time -f %M -o "$work/peak" "$program" -q --on-missing=publish publish \
      "$work/web" --destination "$site" > /dev/null ;;
    curl) /usr/bin/time -f %M -o "$work/peak" curl --disable --silent --fail --noproxy '*' \
      -o "$work/curl.htm" "$site/kestrova/large.htm" ;;
    curl-sync) /usr/bin/time -f %M -o "$work/peak" curl --disable --silent --fail --noproxy '*' \
      -o "$work/curl.htm" "$site/kestrova/large.htm"
      sync -f "$work/curl.htm" ;;
  esac
  end=$(date +%s%N)
  local got="$work/curl.htm"
  if [ "$1" = fpkestrova ]; then got="$work/web/kestrova/large.htm"; fi
  [ "$(stat -c %s "$got")" = "$size" ]
  echo "$(echo "scale=4; ($end - $start) / 1000000000" | bc) $(cat "$work/peak")"
}

contestants=(fpkestrova curl curl-sync)
for c in "${contestants[@]}"; do : > "$work/times.$c"; done
for r in $(seq 1 "$rounds"); do
  for i in 0 1 2; do
    c=${contestants[$(((i + r) % 3))]}
    run_once "$c" >> "$work/times.$c"
  done
done

median() { sort -n -k "$2" "$1" | awk -v k="$2" '{ a[NR] = $k } END { print a[int((NR + 1) / 2)] }'; }
base=$(median "$work/times.curl" 1)
printf '%-22s %10s %10s %12s %12s\n' "contestant" "seconds" "MB/s" "time / curl" "peak MiB"
for c in "${contestants[@]}"; do
  m=$(median "$work/times.$c" 1)
  printf '%-22s %10s %10.0f %12.2f %12.1f\n' "$c" "$m" "$(echo "$size / $m / 1000000" | bc -l)" \
    "$(echo "$m / $base" | bc -l)" "$(echo "$(median "$work/times.$c" 2) / 1024" | bc -l)"
done
