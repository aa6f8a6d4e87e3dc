#!/usr/bin/env bash
# Benchmarks a publish against an HTTPS server that speaks HTTP/2: hypercorn on 127.0.0.1, with a
# certificate from a CA this script makes, waits KESTROVA_BENCH_DELAY_MS (20) before each answer
# and serves KESTROVA_BENCH_FILES (1000) mending files of 2 to 10 KB. Whole processes, in
# interleaved rounds:
#   fpkestrova publish                                     the default connections (HTTP/2 streams)
#   curl --parallel --parallel-max 100 --http2             the same files over one connection
#   the same curl, then sync -f                            curl's files put on the disk in one
#                                                          flush of their file system
#   the same curl, the pages rewritten, then sync -f       also every page read and written back
#                                                          through a temporary file and a rename
#                                                          (mend_phase_bench --floor): the floor
#                                                          of a publish that is durable
# fpkestrova also asks for the folder and the inventory first and stores the inventory last, then
# mends a page for each file: the publish as a user runs it. The web holds the pages, put back as
# they were before each run, so that every run rewrites them all and puts them on the disk, as the
# first publish after the service's update does. Medians of seconds are reported, with the ratio
# of each to curl's. Set TMPDIR to choose the file system.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" libbenchmark-dev curl openssl \
  python3-hypercorn

delay_ms="${KESTROVA_BENCH_DELAY_MS:-20}"
files="${KESTROVA_BENCH_FILES:-1000}"
rounds="${KESTROVA_BENCH_ROUNDS:-5}"

prepare_latency_bench http2
cmake --build --preset linux-bench -j "$(nproc)" --target mend_phase_bench > /dev/null
rewrite=build/linux-bench/bench/mend_phase_bench

# The service folder: mending files of 2 to 10 KB and an inventory listing them, itself last; a
# page in the web for each.
mkdir -p "$work/web" "$work/pages" "$work/curl"
write_bench_mending_site "$work/site" "$files" "https://www.example.com"
for k in $(seq 1 "$files"); do
  printf '<html><head><title>Old %d</title></head><body></body></html>\n' "$k" \
    > "$work/pages/page$k.htm"
done

# A CA of our own and a certificate for 127.0.0.1 that it signs.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Bench CA" \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2> /dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
  -keyout "$work/server.key" -out "$work/server.csr" 2> /dev/null
printf 'subjectAltName=IP:127.0.0.1\n' > "$work/san.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 2 -extfile "$work/san.ext" -out "$work/server.pem" 2> /dev/null

# The server: an ASGI app that answers GET and HEAD from the folder after the delay.
cat > "$work/site_app.py" << 'EOF'
import asyncio, os
ROOT = os.environ["BENCH_ROOT"]
DELAY = int(os.environ["BENCH_DELAY_MS"]) / 1000.0

async def app(scope, receive, send):
    if scope["type"] != "http":
        return
    await asyncio.sleep(DELAY)
    path = os.path.normpath(os.path.join(ROOT, scope["path"].lstrip("/")))
    status, body = 404, b"not found"
    if path.startswith(ROOT) and os.path.isdir(path):
        status, body = 200, b"folder"
    elif path.startswith(ROOT) and os.path.isfile(path):
        with open(path, "rb") as f:
            status, body = 200, f.read()
    await send({"type": "http.response.start", "status": status,
                "headers": [(b"content-length", str(len(body)).encode()),
                            (b"content-type", b"text/html")]})
    await send({"type": "http.response.body",
                "body": b"" if scope["method"] == "HEAD" else body})
EOF
port=$((20000 + RANDOM % 20000))
BENCH_ROOT="$work/site" BENCH_DELAY_MS="$delay_ms" PYTHONPATH="$work" /usr/bin/python3 -m hypercorn \
  --certfile "$work/server.pem" --keyfile "$work/server.key" --bind "127.0.0.1:$port" \
  --workers 1 site_app:app > "$work/server.log" 2>&1 &
server_pid=$!
site="https://127.0.0.1:$port"
for _ in $(seq 1 100); do
  curl --silent --noproxy '*' --cacert "$work/ca.pem" -o /dev/null "$site/kestrova" && break
  sleep 0.1
done
[ "$(curl --silent --noproxy '*' --cacert "$work/ca.pem" --http2 -o /dev/null \
  -w '%{http_version}' "$site/kestrova")" = 2 ] || { echo "the server does not speak HTTP/2"; exit 1; }

: > "$work/curl.config"
for k in $(seq 1 "$files"); do
  printf 'url = "%s/kestrova/page%d.htm"\noutput = "%s/curl/page%d.htm"\n' \
    "$site" "$k" "$work" "$k" >> "$work/curl.config"
done
echo "==== $files files over HTTPS (HTTP/2), $delay_ms ms before each answer, $rounds rounds"

curl_all() {
  curl --disable --silent --fail --noproxy '*' --cacert "$work/ca.pem" --http2 \
    --parallel --parallel-immediate --parallel-max 100 --config "$work/curl.config" 2> /dev/null
}

# Runs one contestant once; prints its seconds.
run_once() {
  local start end
  rm -rf "$work/web/kestrova" "$work/curl"/*
  cp "$work/pages"/* "$work/web/"
  if [ "$1" = floor ]; then
    # The pages the rewrite reads, listed as the inventory lists them, without the inventory.
    mkdir -p "$work/web/kestrova"
    grep -v '^inventory.txt$' "$work/site/kestrova/inventory.txt" \
      > "$work/web/kestrova/inventory.txt"
  fi
  sync -f "$work/web"
  start=$(date +%s%N)
  case "$1" in
    fpkestrova) "$program" -q --on-missing=publish publish "$work/web" \
      --destination "$site" --cacert "$work/ca.pem" > /dev/null ;;
    curl) curl_all ;;
    curl_sync) curl_all && sync -f "$work/curl" ;;
    floor) curl_all && "$rewrite" --floor "$work/web" && sync -f "$work/curl" ;;
  esac
  end=$(date +%s%N)
  if [ "$1" = fpkestrova ]; then
    [ "$(find "$work/web/kestrova" -name 'page*.htm' | wc -l)" = "$files" ]
  else
    [ "$(find "$work/curl" -name 'page*.htm' | wc -l)" = "$files" ]
  fi
  echo "scale=4; ($end - $start) / 1000000000" | bc
}

contestants=(fpkestrova curl curl_sync floor)
for c in "${contestants[@]}"; do : > "$work/times.$c"; done
for r in $(seq 1 "$rounds"); do
  # Each round starts with another contestant, so that none always runs first.
  for i in 0 1 2 3; do
    c=${contestants[$(((i + r) % 4))]}
    run_once "$c" >> "$work/times.$c"
  done
done

median() { sort -n "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
base=$(median "$work/times.curl")
floor=$(median "$work/times.floor")
printf '%-50s %10s %12s %10s\n' "contestant" "seconds" "time / curl" "/ floor"
for c in "${contestants[@]}"; do
  case "$c" in
    fpkestrova) label="fpkestrova publish (probe, inventory, mend)" ;;
    curl) label="curl --parallel --parallel-max 100 --http2" ;;
    curl_sync) label="the same curl, then sync -f" ;;
    floor) label="the same, pages rewritten, then sync -f (floor)" ;;
  esac
  m=$(median "$work/times.$c")
  printf '%-50s %10s %12.2f %10.2f\n' "$label" "$m" "$(echo "$m / $base" | bc -l)" \
    "$(echo "$m / $floor" | bc -l)"
done
