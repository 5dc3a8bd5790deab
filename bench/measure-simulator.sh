#!/usr/bin/env bash
# Builds the optimised program (preset `release`) and measures the simulator's
# idle CPU on the feed list and in the reader and its peak resident memory,
# on both screen sizes (see bench/measure_simulator.py). Needs root for the
# private mount and network namespaces, like the end-to-end tests.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target papyr >/dev/null
python3 bench/measure_simulator.py build/release/src/main/papyr --brick
python3 bench/measure_simulator.py build/release/src/main/papyr
