#!/usr/bin/env bash
# Benchmarks fpkestrova verify against curl fetching the same pages whole, from the ASGI server of
# scripts/bench-http2.sh run by hypercorn on 127.0.0.1, which waits KESTROVA_BENCH_DELAY_MS (20)
# before each answer. Two parts, each in interleaved rounds of whole processes:
#   https  KESTROVA_BENCH_FILES (1000) pages over HTTPS (HTTP/2): fpkestrova verify (HTTP/2
#          streams) against curl --parallel --parallel-max 100 --http2
#   http   KESTROVA_BENCH_HTTP1_FILES (200) pages over HTTP/1.1: fpkestrova verify (8
#          connections, the default) against curl --parallel --parallel-max 8
# The pages are those a publish mended, so that verify finds each one mended. With
# KESTROVA_BENCH_PAGE_MB (0) each served page is padded after its head to that many MB: verify
# reads the heads only, curl every byte. Medians of seconds are reported, with the ratio of each
# to curl's, and fpkestrova's peak memory. KESTROVA_BENCH_PARTS ("https http") picks the parts.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" libbenchmark-dev curl openssl \
  python3-hypercorn

delay_ms="${KESTROVA_BENCH_DELAY_MS:-20}"
rounds="${KESTROVA_BENCH_ROUNDS:-5}"
pad_mb="${KESTROVA_BENCH_PAGE_MB:-0}"
parts="${KESTROVA_BENCH_PARTS:-https http}"

if [ -n "${KESTROVA_BENCH_PROGRAM:-}" ]; then
  program="$KESTROVA_BENCH_PROGRAM"
else
  echo "==== building fpkestrova"
  cmake --preset linux-bench > /dev/null
  cmake --build --preset linux-bench -j "$(nproc)" --target fpkestrova > /dev/null
  program=build/linux-bench/cli/fpkestrova
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-verify.XXXXXX")"
server_pid=""
stop() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2> /dev/null || true
    wait "$server_pid" 2> /dev/null || true
    server_pid=""
  fi
}
trap 'stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# A CA of our own and a certificate for 127.0.0.1 that it signs.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Bench CA" \
  -keyout "$work/ca.key" -out "$work/ca.pem" 2> /dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
  -keyout "$work/server.key" -out "$work/server.csr" 2> /dev/null
printf 'subjectAltName=IP:127.0.0.1\n' > "$work/san.ext"
openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -CAcreateserial -days 2 -extfile "$work/san.ext" -out "$work/server.pem" 2> /dev/null

# The server of scripts/bench-http2.sh, which also pads each page's body with BENCH_PAD_BYTES
# spaces before its end, sent in pieces of 64 KB, so that no page of the folder takes more disk.
cat > "$work/site_app.py" << 'EOF'
import asyncio, os
ROOT = os.environ["BENCH_ROOT"]
DELAY = int(os.environ["BENCH_DELAY_MS"]) / 1000.0
PAD = int(os.environ["BENCH_PAD_BYTES"])
PIECE = b" " * 65536

async def app(scope, receive, send):
    if scope["type"] != "http":
        return
    await asyncio.sleep(DELAY)
    path = os.path.normpath(os.path.join(ROOT, scope["path"].lstrip("/")))
    status, body, pad = 404, b"not found", 0
    if path.startswith(ROOT) and os.path.isdir(path):
        status, body = 200, b"folder"
    elif path.startswith(ROOT) and os.path.isfile(path):
        with open(path, "rb") as f:
            status, body = 200, f.read()
        # Only the pages are padded, not the mend folder's files.
        pad = PAD if os.path.dirname(path) == ROOT else 0
    await send({"type": "http.response.start", "status": status,
                "headers": [(b"content-length", str(len(body) + pad).encode()),
                            (b"content-type", b"text/html")]})
    if scope["method"] == "HEAD":
        await send({"type": "http.response.body", "body": b""})
        return
    await send({"type": "http.response.body", "body": body, "more_body": pad > 0})
    while pad > 0:
        n = min(pad, len(PIECE))
        pad -= n
        await send({"type": "http.response.body", "body": PIECE[:n], "more_body": pad > 0})
EOF

# Serves folder $1 over scheme $2 (https or http); sets site.
start_server() {
  local port=$((20000 + RANDOM % 20000)) tls=()
  [ "$2" = https ] && tls=(--certfile "$work/server.pem" --keyfile "$work/server.key")
  BENCH_ROOT="$1" BENCH_DELAY_MS="$delay_ms" BENCH_PAD_BYTES=$((pad_mb * 1000000)) \
    PYTHONPATH="$work" /usr/bin/python3 -m hypercorn "${tls[@]}" --bind "127.0.0.1:$port" \
    --workers 1 site_app:app > "$work/server.log" 2>&1 &
  server_pid=$!
  site="$2://127.0.0.1:$port"
  for _ in $(seq 1 100); do
    curl --silent --noproxy '*' --cacert "$work/ca.pem" -o /dev/null "$site/" && return
    sleep 0.1
  done
  echo "the server did not start"
  exit 1
}

median() { sort -n "$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# One part: $1 the scheme, $2 the pages, $3 curl's most transfers at once, $4 its protocol option.
run_part() {
  local scheme="$1" files="$2" most="$3" protocol="$4" part="$work/$1" k
  rm -rf "$part"
  mkdir -p "$part/site" "$part/web"
  start_server "$part/site" "$scheme"
  # The service's mend folder on the site, the web mended by a publish from it, and the mended
  # pages deployed to the site.
  write_bench_mending_site "$part/site" "$files" "$site"
  for k in $(seq 1 "$files"); do
    printf '<html><head><title>Old %d</title></head><body><p>%d</p></body></html>\n' "$k" "$k" \
      > "$part/web/page$k.htm"
  done
  "$program" -q --on-missing=publish publish "$part/web" --cacert "$work/ca.pem" \
    --destination "$site" > /dev/null
  cp "$part/web"/page*.htm "$part/site/"
  "$program" -q verify "$part/web" --cacert "$work/ca.pem" \
    || { echo "verify does not find every page mended"; exit 1; }
  : > "$part/curl.config"
  for k in $(seq 1 "$files"); do
    printf 'url = "%s/page%d.htm"\noutput = "/dev/null"\n' "$site" "$k" >> "$part/curl.config"
  done
  echo "==== $files pages over $scheme, $delay_ms ms before each answer, pages padded to" \
    "$pad_mb MB, $rounds rounds"
  : > "$part/times.fpkestrova"
  : > "$part/times.curl"
  : > "$part/memory"
  local r i c start end
  for r in $(seq 1 "$rounds"); do
    for i in 0 1; do
      if [ $(((i + r) % 2)) = 0 ]; then c=fpkestrova; else c=curl; fi
      start=$(date +%s%N)
      if [ "$c" = fpkestrova ]; then
        /usr/bin/time -f %M -o "$part/rss" "$program" -q verify "$part/web" \
          --cacert "$work/ca.pem"
        cat "$part/rss" >> "$part/memory"
      else
        curl --disable --silent --fail --noproxy '*' --cacert "$work/ca.pem" "$protocol" \
          --parallel --parallel-immediate --parallel-max "$most" --config "$part/curl.config" \
          2> /dev/null
      fi
      end=$(date +%s%N)
      echo "scale=4; ($end - $start) / 1000000000" | bc >> "$part/times.$c"
    done
  done
  stop
  local base m
  base=$(median "$part/times.curl")
  m=$(median "$part/times.fpkestrova")
  printf '%-48s %10s %12s\n' "contestant" "seconds" "time / curl"
  printf '%-48s %10s %12.2f\n' "fpkestrova verify" "$m" "$(echo "$m / $base" | bc -l)"
  printf '%-48s %10s %12.2f\n' "curl --parallel --parallel-max $most $protocol" "$base" 1
  printf 'fpkestrova verify peak memory: %s MiB\n' \
    "$(sort -n "$part/memory" | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')"
}

for p in $parts; do
  case "$p" in
    https) run_part https "${KESTROVA_BENCH_FILES:-1000}" 100 --http2 ;;
    http) run_part http "${KESTROVA_BENCH_HTTP1_FILES:-200}" 8 --http1.1 ;;
  esac
done
