#!/usr/bin/env bash
# Builds the sanitizer configuration and runs the tests, as many at once as
# the machine has cores.
#   scripts/test.sh           every unit and end-to-end test: the everyday run
#   scripts/test.sh --slow    only the slow checks: the clang build of the whole
#                             tree, the console release under emulation and the
#                             fuzz smoke runs (CI runs these after the others)
#   scripts/test.sh --all     both
# Further arguments go to ctest (for example -R Feed to run some tests).
set -euo pipefail
cd "$(dirname "$0")/.."
selection=(-LE slow)
case "${1:-}" in
  --slow) selection=(-L slow); shift ;;
  --all) selection=(); shift ;;
esac
bash scripts/setup.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j "$(nproc)" "${selection[@]}" "$@"
