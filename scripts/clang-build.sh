#!/usr/bin/env bash
# Compiles everything, tests included, with clang 14 and warnings as errors,
# so the code keeps building with both of the compilers it supports.
# Usage: clang-build.sh [build folder]   (default: build/clang)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build/clang}"

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DPAPYR_BUILD_TESTS=ON -DPAPYR_WERROR=ON >/dev/null
cmake --build "$build_dir" -j 2
