#!/usr/bin/env bash
# Builds Papyr and papyr-server and runs Papyr in Desktop Simulator mode on
# this terminal against the news service on https://127.0.0.1:4548 (the
# origin the default build asks). The service fetches the publishers' real
# feeds and articles where the internet can be reached; with --demo it
# answers its built-in demo set for whatever it cannot fetch and has never
# kept, so a machine without internet still shows headlines and articles.
# Its data (certificate, caches) goes to build/server-data; its log to
# build/server.log. The service stops when Papyr exits.
# Each frame Papyr draws is also written to build/snapshot.png. Where a
# display is available (DISPLAY or WAYLAND_DISPLAY) the frames are shown in a
# window too, which takes keys and game controllers; PAPYR_WINDOW=0 turns it
# off.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target papyr papyr-server

server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

build/dev/src/news_server/papyr-server serve --listen 127.0.0.1:4548 \
  --data build/server-data --demo 2>build/server.log &
server_pid=$!

for _ in $(seq 100); do
  if grep -q '^\[Server\] Listening on ' build/server.log 2>/dev/null ||
     ! kill -0 "$server_pid" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if ! grep -q '^\[Server\] Listening on ' build/server.log; then
  echo "run-simulator: papyr-server did not start on 127.0.0.1:4548 (port in use?)" >&2
  cat build/server.log >&2
  exit 1
fi
echo "run-simulator: news service on https://127.0.0.1:4548 (log: build/server.log);" \
  "frames go to build/snapshot.png" >&2

window=${PAPYR_WINDOW-}
if [ -z "$window" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  window=1
fi

status=0
TRIMUI_SIMULATOR=1 PAPYR_SNAPSHOT=build/snapshot.png PAPYR_WINDOW="$window" \
  build/dev/src/main/papyr || status=$?
exit "$status"
