#!/usr/bin/env python3
"""Scores the extractor on a folder of pages with ground truth (make_pages.py
builds one) by token-shingle F1, the measure of the public extraction
benchmarks.

Usage: score.py --extractor PATH --pages FOLDER [--min-f1 X] [--verbose]

The extractor (papyr-server, as `papyr-server extract --url URL FILE`) runs
once per page as a process of its own; its paragraphs, joined by line feeds, are compared with the truth file.

Shingles: the text is lower-cased and cut into tokens, each a maximal run of
letters and digits (any script; punctuation and white space only separate);
the shingles are the runs of four consecutive tokens (a text of fewer tokens
is one shingle of all of them). Both sides are multisets: precision is the
share of the extracted shingles that the truth has, recall the share of the
truth's shingles that were extracted, F1 their harmonic mean, 0 when nothing
matches. The score of a set is the mean F1 over its pages.

Exits 1 when the mean F1 is below --min-f1.
"""
import argparse
import collections
import json
import os
import re
import subprocess
import sys

TOKEN = re.compile(r"[^\W_]+", re.UNICODE)
SHINGLE = 4


def shingles(text):
    tokens = TOKEN.findall(text.lower())
    if len(tokens) < SHINGLE:
        return collections.Counter([tuple(tokens)]) if tokens else collections.Counter()
    return collections.Counter(tuple(tokens[i:i + SHINGLE]) for i in range(len(tokens) - SHINGLE + 1))


def f1(extracted, truth):
    got, want = shingles(extracted), shingles(truth)
    common = sum((got & want).values())
    if common == 0:
        return 0.0, 0.0, 0.0
    precision = common / sum(got.values())
    recall = common / sum(want.values())
    return 2 * precision * recall / (precision + recall), precision, recall


def extract(extractor, url, path):
    run = subprocess.run([extractor, "extract", "--url", url, path], capture_output=True,
                         timeout=60, check=False)
    if run.returncode != 0:
        raise RuntimeError(f"{path}: extractor failed: {run.stderr.decode(errors='replace')}")
    response = json.loads(run.stdout)
    if not response["success"]:
        return ""
    return "\n".join(response["article"]["paragraphs"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--extractor", required=True)
    parser.add_argument("--pages", required=True)
    parser.add_argument("--min-f1", type=float, default=0.0)
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()
    with open(os.path.join(args.pages, "index.json"), encoding="utf-8") as file:
        index = json.load(file)
    by_kind = collections.defaultdict(list)
    scores = []
    for entry in index:
        path = os.path.join(args.pages, entry["page"] + ".html")
        with open(os.path.join(args.pages, entry["page"] + ".truth.txt"), encoding="utf-8") as file:
            truth = file.read()
        score = f1(extract(args.extractor, entry["url"], path), truth)
        scores.append(score)
        by_kind[entry["kind"]].append(score)
        if args.verbose:
            print(f"{entry['page']:24} F1 {score[0]:.3f}  P {score[1]:.3f}  R {score[2]:.3f}")
    print("| page kind | pages | F1 | precision | recall |")
    print("|---|---:|---:|---:|---:|")
    for kind, values in by_kind.items():
        mean = [sum(v[i] for v in values) / len(values) for i in range(3)]
        print(f"| {kind} | {len(values)} | {mean[0]:.3f} | {mean[1]:.3f} | {mean[2]:.3f} |")
    mean = [sum(s[i] for s in scores) / len(scores) for i in range(3)]
    print(f"| all | {len(scores)} | {mean[0]:.3f} | {mean[1]:.3f} | {mean[2]:.3f} |")
    if mean[0] < args.min_f1:
        print(f"mean F1 {mean[0]:.3f} is below {args.min_f1}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
