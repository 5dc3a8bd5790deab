#!/usr/bin/env bash
# The extraction's time and peak memory for each kind of page written to be
# costly, at the size the service reads at most (8 MiB; another size as the
# argument). Builds preset `bench`.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target papyr_hostile_pages >/dev/null
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
build/bench/bench/papyr_hostile_pages "$@"
