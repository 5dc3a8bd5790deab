#!/usr/bin/env bash
# Peak resident memory of one extraction of a 2 MB news page, measured in a
# process of its own (`papyr-server extract`, optimised build of the
# `bench` preset). The page is the evaluation set's long read, repeated up to
# 2 MB inside one article, with its menus and comments.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target papyr-server >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 tests/extraction/eval/make_pages.py "$work/pages" >/dev/null
python3 - "$work/pages/longread-0.html" "$work/big.html" <<'PY'
import sys
page = open(sys.argv[1], encoding="utf-8").read()
start = page.index('<div class="story-body">') + len('<div class="story-body">')
end = page.index("</div>", start)
body = page[start:end]
repeats = (2 * 1024 * 1024 - len(page)) // len(body) + 1
open(sys.argv[2], "w", encoding="utf-8").write(page[:start] + body * repeats + page[end:])
PY
size=$(stat -c %s "$work/big.html")
# The child's peak resident set, as the kernel counts it for the waiting parent.
rss=$(python3 - build/bench/src/news_server/papyr-server "$work/big.html" <<'PY'
import resource, subprocess, sys
subprocess.run([sys.argv[1], "extract", "--url", "https://news.example.org/big", sys.argv[2]],
               stdout=subprocess.DEVNULL, check=True)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
)
echo "page: $((size / 1024)) KiB, peak resident memory: $((rss / 1024)) MiB ($rss KiB)"
