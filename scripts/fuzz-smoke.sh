#!/usr/bin/env bash
# Builds the libFuzzer targets (the JSON reader, the feed mapping) with clang
# in a build folder of their own and runs each briefly on its seed corpus.
# Longer runs by hand, of both or of one:
#   FUZZ_SECONDS=3600 scripts/fuzz-smoke.sh
#   FUZZ_SECONDS=600 FUZZ_TARGETS=feed scripts/fuzz-smoke.sh
# Usage: fuzz-smoke.sh [build folder]   (default: build/fuzz)
# Everything it writes (build, grown corpus, crash inputs) stays in the build
# folder; the seed corpora (tests/fuzz/corpus for JSON, the feed documents of
# tests/news_server/testdata for feeds) are only read.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build/fuzz}"
seconds="${FUZZ_SECONDS:-20}"
read -r -a targets <<<"${FUZZ_TARGETS:-json feed}"

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

# run NAME MAX_LEN SEED_FOLDER: one target for $seconds seconds.
run() {
  local name="$1" max_len="$2" seeds="$3"
  local corpus="$build_dir/$name-corpus" artifacts="$build_dir/$name-artifacts"
  local log="$build_dir/$name-fuzz.log"
  mkdir -p "$corpus" "$artifacts"
  # -timeout catches a hang on one input, -rss_limit_mb unbounded memory;
  # found crashes land in $artifacts.
  if ! "$build_dir/tests/fuzz/papyr_${name}_fuzz" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -dict="$source_dir/tests/fuzz/$name.dict" \
    -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 100 "$log" >&2
    echo "fuzz-smoke: the $name fuzzer failed; the input is in $artifacts, the log in $log" >&2
    exit 1
  fi
  echo "$name:"
  grep -E '^(Done|stat::)' "$log"
}

for target in "${targets[@]}"; do
  case "$target" in
    json) run json 8192 "$source_dir/tests/fuzz/corpus" ;;
    feed) run feed 65536 "$source_dir/tests/news_server/testdata" ;;
    *) echo "fuzz-smoke: no fuzz target \"$target\"" >&2; exit 1 ;;
  esac
done
