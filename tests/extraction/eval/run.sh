#!/usr/bin/env bash
# Builds an evaluation set into a folder of the build and scores the
# extractor on it; fails below the given mean F1.
# Usage: run.sh EXTRACTOR OUTPUT_FOLDER [MIN_F1 [GENERATOR]]
#   GENERATOR: make_pages.py (the set the extractor was tuned on, default)
#   or make_heldout.py (page kinds never used to tune it)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
rm -rf "$2"
python3 "$here/${4:-make_pages.py}" "$2"
python3 "$here/score.py" --extractor "$1" --pages "$2" --min-f1 "${3:-0.95}"
