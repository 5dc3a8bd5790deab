#!/usr/bin/env bash
# Builds the benchmarks (preset `bench`, optimised) and prints, for each
# screen and screen size, the median frame time and its ratio to the floor
# (fill the whole back buffer and copy it to the device) measured in the same
# run, for the current design and the first one side by side; then the news
# client's timings. Extra arguments go to the benchmark program, e.g.
#   bash bench/report.sh --benchmark_repetitions=9
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target papyr_bench >/dev/null

out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Repetitions interleaved in random order, so a burst of load from another
# process spreads over all cases instead of skewing one ratio.
build/bench/bench/papyr_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@" >/dev/null 2>&1

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"

python3 - "$out" <<'PY'
import json
import re
import sys

with open(sys.argv[1], encoding="utf-8") as file:
    results = json.load(file)

# Medians of the repetitions, in microseconds of real time.
median = {}
for entry in results["benchmarks"]:
    if entry.get("aggregate_name", "median") != "median":
        continue
    name = entry.get("run_name", entry["name"])
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[entry["time_unit"]]
    median[name] = entry["real_time"] * scale

targets = {"feed_list": 3, "help_over_reader": 4}
resolutions = sorted({n.split("/")[-1] for n in median if n.startswith("floor/")})
order = ["feed_list", "reader_100", "reader_125", "reader_150", "reader_175", "help_over_reader"]
screens = sorted({n.split("/")[0] for n in median if n.count("/") == 2},
                 key=lambda s: (order.index(s) if s in order else len(order), s))

for resolution in resolutions:
    floor = median[f"floor/{resolution}"]
    print(f"\n{resolution}, floor (fill + present): {floor:.0f} µs\n")
    print(f"| screen | current µs | current × floor | first design µs | first design × floor | target |")
    print(f"|---|---:|---:|---:|---:|---:|")
    for screen in screens:
        current = median.get(f"{screen}/current/{resolution}")
        first = median.get(f"{screen}/first_design/{resolution}")
        if current is None:
            continue
        target = targets.get(screen, 4 if screen.startswith("reader_") else None)
        unchanged = median.get(f"{screen}/unchanged/{resolution}")
        first_text = f"{first:.0f} | {first / floor:.2f}" if first else "– | –"
        print(f"| {screen} | {current:.0f} | {current / floor:.2f} | {first_text} | "
              f"{'≤ %d' % target if target else ''} |")
        if unchanged is not None:
            print(f"| {screen}, unchanged frame | {unchanged:.0f} | {unchanged / floor:.2f} | | | |")

news = sorted(n for n in median if n.startswith("news/"))
if news:
    print("\n| news client | median µs |")
    print("|---|---:|")
    for name in news:
        print(f"| {name.split('/', 1)[1]} | {median[name]:.0f} |")
PY
