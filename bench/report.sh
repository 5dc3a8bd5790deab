#!/usr/bin/env bash
# Builds the benchmarks (preset `bench`, optimised) and prints, for each
# screen and screen size and each kind of frame, the median frame time, its
# ratio to the floor (fill the whole back buffer and copy it all to the
# device) measured in the same run, and the bytes the frame wrote to the
# device (for frames with nothing new, the bytes in a second of them); then
# the news client's timings. Frames are timed in processor time of the
# thread that draws them, so load from other processes, which the wall clock
# would count, does not skew the ratios. Extra arguments go to the benchmark program, e.g.
#   bash bench/report.sh --benchmark_repetitions=9
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target papyr_bench >/dev/null

out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Repetitions interleaved in random order, so a burst of load from another
# process spreads over all cases instead of skewing one ratio.
build/bench/bench/papyr_bench --benchmark_repetitions=5 --benchmark_min_time=0.2 \
  --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@" >/dev/null 2>&1

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"

python3 - "$out" <<'PY'
import json
import re
import sys

with open(sys.argv[1], encoding="utf-8") as file:
    results = json.load(file)

# Medians of the repetitions, in microseconds: for the frames the processor
# time of the drawing thread (timed by the benchmarks themselves), for the
# news client the time on the wall clock.
median = {}
for entry in results["benchmarks"]:
    if entry.get("aggregate_name", "median") != "median":
        continue
    name = entry.get("run_name", entry["name"])
    scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[entry["time_unit"]]
    median[name] = entry["real_time"] * scale

counters = {}
for entry in results["benchmarks"]:
    if entry.get("aggregate_name", "median") != "median":
        continue
    name = entry.get("run_name", entry["name"])
    for counter in ("device_bytes_per_frame", "device_bytes_per_s"):
        if counter in entry:
            counters[name] = (counter, entry[counter])


def base_name(name):
    # Benchmarks timed by hand carry a suffix in their run name.
    return name.removesuffix("/manual_time")


median = {base_name(n): t for n, t in median.items()}
counters = {base_name(n): c for n, c in counters.items()}

kinds = [
    ("theme", "every pixel new (the other theme)", 2.5),
    ("notice", "notice changes", 2.5),
    ("selection", "selection moves to the next card", 2.5),
    ("scroll_step", "scroll step (a line, 40 px)", 1.2),
    ("page_step", "page step (500 px)", 2.5),
    ("font_scale", "font scale changes", 2.5),
    ("article_open", "article opens (laid out afresh)", 2.5),
    ("help_open", "help panel opens", 2.5),
    ("help_close", "help panel closes", 2.5),
    ("unchanged", "nothing new", None),
    ("first_design", "first design: every pixel new, drawn from scratch", None),
]
resolutions = sorted({n.split("/")[-1] for n in median if n.startswith("floor/")})
order = ["feed_list", "reader_100", "reader_125", "reader_150", "reader_175", "help_over_reader"]
screens = sorted({n.split("/")[0] for n in median if n.count("/") == 2},
                 key=lambda s: (order.index(s) if s in order else len(order), s))


def device_bytes(name):
    if name not in counters:
        return ""
    counter, value = counters[name]
    unit = " per second" if counter == "device_bytes_per_s" else ""
    return f"{value / 1e6:.2f} MB{unit}" if value >= 1e5 else f"{value / 1e3:.1f} kB{unit}"


for resolution in resolutions:
    floor = median[f"floor/{resolution}"]
    print(f"\n{resolution}, floor (fill + full present): {floor:.0f} µs\n")
    print("| screen | frame | µs | × floor | written to the device | target |")
    print("|---|---|---:|---:|---:|---:|")
    for screen in screens:
        for kind, label, target in kinds:
            name = f"{screen}/{kind}/{resolution}"
            if name not in median:
                continue
            time = median[name]
            target_text = f"≤ {target}" if target else ""
            print(f"| {screen} | {label} | {time:.0f} | {time / floor:.2f} | "
                  f"{device_bytes(name)} | {target_text} |")

news = sorted(n for n in median if n.startswith("news/"))
if news:
    print("\n| news client | median µs |")
    print("|---|---:|")
    for name in news:
        print(f"| {name.split('/', 1)[1]} | {median[name]:.0f} |")
PY
