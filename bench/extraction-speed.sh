#!/usr/bin/env bash
# In-process extraction time on the corpus's 254 real pages
# (tests/extraction/corpus/fundus), Papyr against readability-lxml, in one
# run on the same machine: for each page the median of REPETITIONS runs
# (default 3) of the whole extraction from the page's bytes, parsing and
# character set detection included, process start and reading the file
# excluded; printed are the medians over the pages and their ratio. Papyr is
# the optimised build of the `bench` preset (bench/extraction_speed.cpp);
# readability-lxml is Debian's python3-readability, timed with
# time.perf_counter around Document(html).summary(), and installed here when
# it is missing. Readability is given the page already decoded (with its own
# get_encoding, outside the timing): given bytes, it runs chardet on pages
# that declare no charset, which takes up to a second and a half a page and
# would flatter the comparison.
# Usage: bash bench/extraction-speed.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-3}
pages=tests/extraction/corpus/fundus
# Debian's Python, whose packages python3-readability installs into (a
# python3 earlier on PATH may be another installation).
python=/usr/bin/python3

if ! "$python" -c 'import readability' 2>/dev/null; then
  echo "extraction-speed: installing Debian's python3-readability" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    python3-readability >/dev/null
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target papyr_extraction_speed >/dev/null

echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
papyr=$(build/bench/bench/papyr_extraction_speed "$pages" "$repetitions")
readability=$("$python" - "$pages" "$repetitions" <<'PY'
import gzip, pathlib, statistics, sys, time
from readability import Document
from readability.encoding import get_encoding

folder, repetitions = pathlib.Path(sys.argv[1]), int(sys.argv[2])
times = []
for path in sorted(folder.glob("*/*.html.gz")):
    page = gzip.decompress(path.read_bytes())
    html = page.decode(get_encoding(page) or "utf-8", "replace")
    runs = []
    for _ in range(repetitions):
        start = time.perf_counter()
        Document(html).summary()
        runs.append((time.perf_counter() - start) * 1000)
    times.append(statistics.median(runs))
times.sort()
print(f"pages {len(times)} median {statistics.median(times):.2f} "
      f"p90 {times[len(times) * 9 // 10]:.2f} max {times[-1]:.2f}")
PY
)
echo "Papyr:            $papyr (ms per page)"
echo "readability-lxml: $readability (ms per page)"
python3 - "$papyr" "$readability" <<'PY'
import sys
median = lambda line: float(line.split()[line.split().index("median") + 1])
papyr, readability = median(sys.argv[1]), median(sys.argv[2])
print(f"median {papyr:.2f} ms against {readability:.2f} ms: "
      f"{papyr / readability:.2f} of readability-lxml's time ({readability / papyr:.1f}x as fast)")
PY
