#!/usr/bin/env bash
# Redraws every golden image under tests/golden/ from the current code.
# Run it only after a deliberate change to what the screens show, then look
# at every changed PNG before committing it.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset asan >/dev/null
cmake --build --preset asan --target papyr_main_tests
# Goldens that no test draws any more must not linger.
rm -f tests/golden/*.png
PAPYR_REGENERATE_GOLDENS=1 build/asan/tests/papyr_main_tests --gtest_filter='ScreenGolden.*'
git status --short tests/golden
