#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of its own (the
# JSON reader; what the news service reads from publishers: curl's output and
# feeds) and runs each briefly on its seed corpus. Longer runs by hand:
#   FUZZ_SECONDS=3600 scripts/fuzz-smoke.sh
# Usage: fuzz-smoke.sh [build folder]   (default: build/fuzz)
# Everything it writes (build, grown corpus, crash inputs) stays in the build
# folder; the seed corpus in tests/fuzz/corpus is only read.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build/fuzz}"
seconds="${FUZZ_SECONDS:-20}"

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
cmake --build "$build_dir" --target papyr_json_fuzz papyr_publisher_fuzz -j 2

# run_target NAME SEED_CORPUS [libFuzzer options]
run_target() {
  local name=$1 seeds=$2
  shift 2
  local corpus="$build_dir/$name-corpus" artifacts="$build_dir/$name-artifacts"
  local log="$build_dir/$name-fuzz.log"
  mkdir -p "$corpus" "$artifacts"
  # -timeout catches a hang on one input; found crashes land in $artifacts.
  if ! "$build_dir/tests/fuzz/papyr_${name}_fuzz" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 100 "$log" >&2
    echo "fuzz-smoke: the $name fuzzer failed; the input is in $artifacts, the log in $log" >&2
    exit 1
  fi
  echo "$name:"
  grep -E '^(Done|stat::)' "$log"
}

run_target json "$source_dir/tests/fuzz/corpus" -max_len=8192 -dict="$source_dir/tests/fuzz/json.dict"
run_target publisher "$source_dir/tests/fuzz/publisher-corpus" -max_len=16384
