#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of its own (the
# JSON reader, the article extraction, the feed mapping and the reading of
# curl's output) and runs each briefly on its seed corpus. Longer runs by
# hand, of all or of some:
#   FUZZ_SECONDS=3600 scripts/fuzz-smoke.sh
#   FUZZ_SECONDS=600 FUZZ_TARGETS=feed scripts/fuzz-smoke.sh
# Usage: fuzz-smoke.sh [build folder]   (default: build/fuzz)
# Everything it writes (build, grown corpus, crash inputs) stays in the build
# folder; the seed corpora (tests/fuzz/*corpus, and the feed documents of
# tests/feeds/testdata for feeds) are only read.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build/fuzz}"
seconds="${FUZZ_SECONDS:-20}"
read -r -a targets <<<"${FUZZ_TARGETS:-json extraction feed publisher}"

for tool in clang clang++ cmake ninja; do
  if ! command -v "$tool" >/dev/null; then
    echo "fuzz-smoke: $tool is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done

# The fuzz build has no use for the unit tests; -O1 keeps the run fast while
# the sanitizers still see everything.
CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1 \
  -DPAPYR_FUZZ=ON -DPAPYR_BUILD_TESTS=OFF >/dev/null
for target in "${targets[@]}"; do
  cmake --build "$build_dir" --target "papyr_${target}_fuzz" -j 2
done
cmake --build "$build_dir" --target papyr_hostile_seeds -j 2

# The costliest markup the tests know, at the fuzzers' input size, as seeds
# of the extraction and the feed mapping: a slow kind fails the run at once.
hostile_seeds() {
  local folder="$build_dir/$1-hostile-seeds"
  rm -rf "$folder" && mkdir -p "$folder"
  "$build_dir/tests/fuzz/papyr_hostile_seeds" "$folder" "$2" ${3:+"$3"}
  echo "$folder"
}

# run TARGET SEEDS DICT MAX_LEN SECONDS_PER_INPUT [MORE SEEDS]
run() {
  local target=$1 seeds=$2 dict=$3 max_len=$4 per_input=$5
  local corpus="$build_dir/$target-corpus" artifacts="$build_dir/$target-artifacts"
  local log="$build_dir/$target-fuzz.log"
  mkdir -p "$corpus" "$artifacts"
  # -timeout fails the run on one input that takes longer than per_input
  # seconds (a slow kind of markup, not only a hang), -rss_limit_mb
  # unbounded memory; found inputs land in $artifacts.
  local options=(-max_total_time="$seconds" -timeout="$per_input" -rss_limit_mb=2048
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -n "$dict" ] && options+=(-dict="$dict")
  if ! "$build_dir/tests/fuzz/papyr_${target}_fuzz" "${options[@]}" \
    "$corpus" "$seeds" "${@:6}" >"$log" 2>&1; then
    tail -n 100 "$log" >&2
    echo "fuzz-smoke: the $target fuzzer failed; the input is in $artifacts, the log in $log" >&2
    exit 1
  fi
  echo "$target:"
  grep -E '^(Done|stat::)' "$log"
}

for target in "${targets[@]}"; do
  case "$target" in
    json) run json "$source_dir/tests/fuzz/corpus" "$source_dir/tests/fuzz/json.dict" 8192 10 ;;
    extraction) run extraction "$source_dir/tests/fuzz/html-corpus" "$source_dir/tests/fuzz/html.dict" \
      65536 2 "$(hostile_seeds extraction 65536)" ;;
    feed) run feed "$source_dir/tests/feeds/testdata" "$source_dir/tests/fuzz/feed.dict" 65536 2 \
      "$(hostile_seeds feed 65536 --feed)" ;;
    publisher) run publisher "$source_dir/tests/fuzz/publisher-corpus" "" 16384 10 ;;
    *) echo "fuzz-smoke: no fuzz target \"$target\"" >&2; exit 1 ;;
  esac
done
