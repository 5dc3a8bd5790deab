#!/usr/bin/env bash
# Redraws packaging/icon.png, the console's app-menu icon, from
# packaging/icon/papyr_icon.cpp. Run it after changing the drawing, look at the new
# picture, and commit both together; a test fails while they disagree.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target papyr-icon
build/dev/packaging/icon/papyr-icon packaging/icon.png
git status --short packaging/icon.png
