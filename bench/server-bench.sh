#!/usr/bin/env bash
# Measures papyr-server (optimised build, preset `bench`) and prints the
# figures the README quotes:
#   - start to listening: from starting the program to its "Listening" line,
#     median of 20 starts with the certificate already made; the first
#     start's certificate creation is reported on its own;
#   - a feed answered from memory: wrk on loopback, 32 keep-alive
#     connections for 10 seconds, median and 99th percentile latency and
#     answers per second; the same while 1,000 more TCP connections are
#     open and send nothing (each one the service closes is opened again);
#     and nginx from Debian serving the same bytes as a static file over
#     TLS with the service's certificate, in the same run, as the yardstick;
#   - peak resident memory (VmHWM) once all 28 catalogue feeds were fetched
#     and their first articles read ahead in the background, after the
#     load, and resident memory with the idle connections open.
# The publishers are played by tests/support/publisher_server.py (every
# feed path answers 40 items), reached through the test-only
# --test-resolve-publishers option, inside private mount and network
# namespaces so that nothing leaves the machine. Needs root (namespaces,
# port 443 inside them); installs Debian's wrk and nginx when missing.
# PAPYR_BENCH_SERVER names another papyr-server to measure (an older build,
# for a comparison); without it the bench preset's is built.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

if [ "${PAPYR_BENCH_INSIDE:-}" != 1 ]; then
  for tool in wrk nginx; do
    if ! command -v $tool >/dev/null; then
      echo "server-bench: installing Debian's $tool" >&2
      DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $tool >/dev/null
    fi
  done
  if [ -z "${PAPYR_BENCH_SERVER:-}" ]; then
    cmake --preset bench >/dev/null
    cmake --build --preset bench --target papyr-server >/dev/null
  fi
  exec env PAPYR_BENCH_INSIDE=1 unshare --mount --net --propagation private -- bash "$0" "$@"
fi

ip link set lo up
work=$(mktemp -d /tmp/server-bench.XXXXXX)
mount -t tmpfs tmpfs "$work"
server=${PAPYR_BENCH_SERVER:-build/bench/src/news_server/papyr-server}
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  umount -l "$work" 2>/dev/null || true
  rmdir "$work" 2>/dev/null || true
}
trap cleanup EXIT

python3 tests/support/publisher_server.py --every-feed --cert-out "$work/publishers.pem" \
  --log-file "$work/publisher-requests" --modes "$work/modes.json" --ready-file "$work/ready" &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/ready" ] && break; sleep 0.1; done
[ -e "$work/ready" ] || { echo "server-bench: the publisher server did not start" >&2; exit 1; }

# Starts the service and waits for its Listening line; sets service_pid.
start_service() {
  local log=$1
  shift
  : >"$log"
  "$server" serve --data "$work/data" --test-resolve-publishers 127.0.0.1 \
    --ca-bundle "$work/publishers.pem" "$@" >/dev/null 2>"$log" &
  service_pid=$!
  pids+=("$service_pid")
  until grep -q '^\[Server\] Listening on ' "$log"; do
    kill -0 "$service_pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
    sleep 0.05
  done
}

stop_service() {
  kill -TERM "$service_pid"
  wait "$service_pid" 2>/dev/null || true
}

# --- start to listening ----------------------------------------------------
# Timed by a reader of the service's standard error, so that no polling
# process competes with the start being timed.
read -r first creation start_median < <(python3 - "$server" "$work" <<'PY'
import re, signal, statistics, subprocess, sys, time
server, work = sys.argv[1], sys.argv[2]
def start():
    began = time.monotonic()
    service = subprocess.Popen(
        [server, "serve", "--data", f"{work}/data", "--prefetch", "0"],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    lines = []
    for line in service.stderr:
        lines.append(line)
        if line.startswith("[Server] Listening on "):
            break
    took = (time.monotonic() - began) * 1000
    service.send_signal(signal.SIGTERM)
    service.wait()
    return took, "".join(lines)
first, log = start()
made = re.search(r"certificate in .* \((\d+) ms\)", log)
starts = [start()[0] for _ in range(20)]
print(f"{first:.0f} {made.group(1) if made else '-'} {statistics.median(starts):.0f}")
PY
)

# --- peak memory with every feed cached and prefetching on -----------------
start_service "$work/service.log"
entries=$(python3 - "$source_dir/packaging/sources.json" <<'PY'
import json, sys
for publisher in json.load(open(sys.argv[1], encoding="utf-8"))["publishers"]:
    for category in publisher["categories"]:
        print(f"{publisher['id']} {category['id']}")
PY
)
while read -r source category; do
  curl -s -k -o /dev/null "https://127.0.0.1:4548/api/v1/news/feed?source=$source&category=$category"
done <<<"$entries"
# The background reading ends when no prefetch line came for two seconds.
previous=-1
while true; do
  now=$(grep -c '^\[Server\] Prefetch ' "$work/service.log" || true)
  [ "$now" = "$previous" ] && break
  previous=$now
  sleep 2
done
feeds=$(grep -c 'feed?source=.* 200 .* publisher' "$work/service.log" || true)
peak_kib=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB$/\1/p' "/proc/$service_pid/status")

# --- a feed from memory under load ----------------------------------------
url="https://127.0.0.1:4548/api/v1/news/feed?source=vnexpress&category=tin-moi"
curl -s -k -o "$work/feed.json" "$url"
wrk -t 2 -c 32 -d 10s --latency "$url" >"$work/wrk.txt"
cp "/proc/$service_pid/status" "$work/rss-after"

# --- the same beside 1,000 connections that send nothing -------------------
python3 - "$work/idle-ready" <<'PY' &
import errno, resource, selectors, socket, sys
resource.setrlimit(resource.RLIMIT_NOFILE, (4096, resource.getrlimit(resource.RLIMIT_NOFILE)[1]))
selector = selectors.DefaultSelector()
def open_one():
    sock = socket.socket()
    sock.setblocking(False)
    sock.connect_ex(("127.0.0.1", 4548))
    selector.register(sock, selectors.EVENT_READ)
for _ in range(1000):
    open_one()
open(sys.argv[1], "w").close()
while True:
    for key, _ in selector.select():
        try:
            ended = key.fileobj.recv(4096) == b""
        except OSError as error:
            ended = error.errno != errno.EAGAIN
        if ended:
            selector.unregister(key.fileobj)
            key.fileobj.close()
            open_one()
PY
idle_pid=$!
pids+=("$idle_pid")
until [ -e "$work/idle-ready" ]; do sleep 0.1; done
sleep 1
# A service that cannot take more connections leaves wrk none to measure.
wrk -t 2 -c 32 -d 10s --latency --timeout 5s "$url" >"$work/wrk-idle.txt" 2>&1 || true
idle_rss_kib=$(sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB$/\1/p' "/proc/$service_pid/status")
kill "$idle_pid"
wait "$idle_pid" 2>/dev/null || true
stop_service

# --- nginx serving the same bytes as a static file over TLS ----------------
mkdir -p "$work/nginx/root"
cp "$work/feed.json" "$work/nginx/root/feed.json"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off; user root; pid $work/nginx/nginx.pid; error_log $work/nginx/error.log;
worker_processes auto;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body; proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi; uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:8443 ssl;
    ssl_certificate $work/data/tls/cert.pem;
    ssl_certificate_key $work/data/tls/key.pem;
    ssl_protocols TLSv1.2 TLSv1.3;
    ssl_ciphers ECDHE+AESGCM:ECDHE+CHACHA20:ECDHE+AES;
    root $work/nginx/root;
    default_type application/json;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
pids+=("$nginx_pid")
for _ in $(seq 100); do
  curl -s -k -o /dev/null https://127.0.0.1:8443/feed.json && break
  sleep 0.1
done
cmp -s "$work/feed.json" <(curl -s -k https://127.0.0.1:8443/feed.json) ||
  { echo "server-bench: nginx does not serve the feed's bytes" >&2; exit 1; }
wrk -t 2 -c 32 -d 10s --latency https://127.0.0.1:8443/feed.json >"$work/wrk-nginx.txt"
kill -QUIT "$nginx_pid"
wait "$nginx_pid" 2>/dev/null || true

latency() { sed -n "s/^ *$1% *\([0-9.]*[a-z]*\)$/\1/p" "$2" | grep . || echo "-"; }
rate_of() { sed -n 's/^Requests\/sec: *\([0-9.]*\)$/\1/p' "$1" | grep . || echo "none: $(head -1 "$1")"; }
errors=$(grep -H -E 'Non-2xx|Socket errors' "$work"/wrk*.txt | sed "s|$work/||" || true)

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
echo
echo "| measure | result | goal |"
echo "|---|---:|---:|"
echo "| feed from memory, median latency (32 keep-alive connections) | $(latency 50 "$work/wrk.txt") | ≤ 2 ms |"
echo "| feed from memory, 99th percentile latency | $(latency 99 "$work/wrk.txt") | |"
echo "| feed from memory, answers per second | $(rate_of "$work/wrk.txt") | ≥ half of nginx's |"
echo "| the same beside 1,000 idle connections, median latency | $(latency 50 "$work/wrk-idle.txt") | ≤ 2 ms |"
echo "| the same beside 1,000 idle connections, answers per second | $(rate_of "$work/wrk-idle.txt") | |"
echo "| nginx, the same bytes as a static file over TLS, median latency | $(latency 50 "$work/wrk-nginx.txt") | |"
echo "| nginx, the same bytes as a static file over TLS, answers per second | $(rate_of "$work/wrk-nginx.txt") | |"
echo "| start to listening, median of 20 (certificate kept) | ${start_median} ms | ≤ 100 ms |"
echo "| first start, certificate creation included | ${first} ms (creation ${creation} ms) | |"
echo "| peak resident memory, $feeds feeds fetched, prefetch 5 ($previous articles) | $((peak_kib / 1024)) MiB | ≤ 32 MiB |"
echo "| peak resident memory after the load as well | $(($(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB$/\1/p' "$work/rss-after") / 1024)) MiB | |"
echo "| resident memory with the 1,000 idle connections open | $((${idle_rss_kib:-0} / 1024)) MiB | |"
if [ -n "$errors" ]; then
  echo
  echo "wrk reported: $errors"
fi
