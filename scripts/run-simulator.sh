#!/usr/bin/env bash
# Builds Papyr and runs it in Desktop Simulator mode on this terminal against
# the stand-in news server with its demo content, started here on
# https://127.0.0.1:4548 (the origin the default build asks), so headlines
# and articles appear without any network. The server stops when Papyr exits.
# Each frame Papyr draws is also written to build/snapshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target papyr

work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server's standard input is a pipe that only this script holds (fd 3), so
# the server also ends if the script is killed before it can clean up.
exec 3> >(exec python3 tests/support/news_server.py --host 127.0.0.1 --port 4548 \
  --ready-file "$work/ready" --exit-on-stdin-eof >"$work/server.log" 2>&1)
server_pid=$!

for _ in $(seq 150); do
  if [ -e "$work/ready" ] || ! kill -0 "$server_pid" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if [ ! -e "$work/ready" ]; then
  echo "run-simulator: the news server did not start on 127.0.0.1:4548 (port in use?)" >&2
  cat "$work/server.log" >&2
  exit 1
fi
echo "run-simulator: demo news server on https://127.0.0.1:4548; frames go to build/snapshot.png" >&2

status=0
TRIMUI_SIMULATOR=1 PAPYR_SNAPSHOT=build/snapshot.png build/dev/src/main/papyr 3>&- || status=$?
exit "$status"
