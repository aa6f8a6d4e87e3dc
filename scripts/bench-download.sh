#!/usr/bin/env bash
# Benchmarks the download of mending files: builds download_bench, starts nginx on a free port of
# 127.0.0.1 serving a temporary folder, and runs the benchmark against it. nginx runs in the
# foreground with its configuration, pid file and logs in that folder; it is stopped and the
# folder removed however the script ends.
#
# KESTROVA_BENCH_BUILD_DIR names a build folder of one's own instead of the preset's
# build/linux-bench.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" libbenchmark-dev nginx curl

echo "==== building download_bench"
build_dir="${KESTROVA_BENCH_BUILD_DIR:-build/linux-bench}"
if [ -n "${KESTROVA_BENCH_BUILD_DIR:-}" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DKESTROVA_BUILD_TESTS=OFF \
    -DKESTROVA_BUILD_BENCH=ON > /dev/null
  cmake --build "$build_dir" -j "$(nproc)" --target download_bench
else
  cmake --preset linux-bench > /dev/null
  cmake --build --preset linux-bench -j "$(nproc)" --target download_bench
fi
bench="$build_dir/bench/download_bench"

# nginx's workers may run as another user than the script: they must be able to read the site.
umask 022
work="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-download.XXXXXX")"
chmod 755 "$work"
mkdir -p "$work/site" "$work/temp"

nginx_pid=""
stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill -TERM "$nginx_pid" 2> /dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$nginx_pid" 2> /dev/null || break
      sleep 0.1
    done
    kill -KILL "$nginx_pid" 2> /dev/null || true
    wait "$nginx_pid" 2> /dev/null || true
    nginx_pid=""
  fi
}
cleanup() {
  stop_nginx
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

nginx_bin="$(command -v nginx || echo /usr/sbin/nginx)"

# Writes the configuration for one port. Every request is logged with its connection's number,
# so that the benchmark can tell how many connections a run used; one connection may carry every
# request of a run.
write_nginx_config() {
  local port="$1"
  cat > "$work/nginx.conf" << EOF
daemon off;
master_process on;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events {
  worker_connections 64;
}
http {
  default_type application/octet-stream;
  log_format download '\$connection \$connection_requests \$status \$body_bytes_sent \$request_uri';
  access_log $work/access.log download;
  client_body_temp_path $work/temp/client_body;
  proxy_temp_path $work/temp/proxy;
  fastcgi_temp_path $work/temp/fastcgi;
  uwsgi_temp_path $work/temp/uwsgi;
  scgi_temp_path $work/temp/scgi;
  sendfile on;
  keepalive_requests 100000;
  keepalive_timeout 300s;
  server {
    listen 127.0.0.1:$port;
    root $work/site;
  }
}
EOF
}

# Starts nginx on a port nobody answers on; a port taken meanwhile makes nginx exit, and another
# port is tried. The server is ready when it serves the token file.
token="kestrova-$RANDOM-$RANDOM"
echo "$token" > "$work/site/ready.txt"
site_url=""
for _ in $(seq 1 20); do
  port=$((20000 + RANDOM % 40000))
  if (exec 3<> "/dev/tcp/127.0.0.1/$port") 2> /dev/null; then
    continue
  fi
  write_nginx_config "$port"
  "$nginx_bin" -p "$work" -c "$work/nginx.conf" -e "$work/error.log" &
  nginx_pid=$!
  for _ in $(seq 1 50); do
    kill -0 "$nginx_pid" 2> /dev/null || break
    answer="$(curl --disable --silent --noproxy '*' --max-time 2 \
      "http://127.0.0.1:$port/ready.txt" 2> /dev/null || true)"
    if [ "$answer" = "$token" ]; then
      site_url="http://127.0.0.1:$port"
      break
    fi
    sleep 0.1
  done
  if [ -n "$site_url" ]; then
    break
  fi
  stop_nginx
done
if [ -z "$site_url" ]; then
  echo "nginx could not be started on 127.0.0.1"
  cat "$work/error.log" 2> /dev/null || true
  exit 1
fi
echo "==== nginx $("$nginx_bin" -v 2>&1 | sed 's/.*nginx\///'), curl $(curl --version | head -n 1 \
  | cut -d ' ' -f 2), serving $site_url"

# The benchmark's own scratch folder goes inside the temporary folder too.
TMPDIR="$work" "$bench" "$site_url" "$work/site" --access-log "$work/access.log"
