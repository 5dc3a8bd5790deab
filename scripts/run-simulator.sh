#!/usr/bin/env bash
# Builds Papyr and starts it in Desktop Simulator mode on this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target papyr
TRIMUI_SIMULATOR=1 exec build/dev/src/main/papyr
