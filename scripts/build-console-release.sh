#!/usr/bin/env bash
# Builds the console release: the static aarch64 executable for the given
# servers' origin, packed with the launcher, the app-menu entry, the icon,
# the BusyBox helpers and the licences into one zip whose layout is the
# installation folder (see packaging/make-release.sh). The update server
# offers this same zip.
#
# Usage:
#   build-console-release.sh --origin https://news.example.org
#                            [--output ZIP] [--build-dir FOLDER]
#
# Defaults: build folder build/aarch64-release, package papyr.zip in it.
# Run scripts/setup.sh first (cross compiler, BusyBox package).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
  sed -n '/^# Usage:/,/^# Defaults/p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

origin=
build_dir="$source_dir/build/aarch64-release"
output=
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --origin) origin=$2 ;;
    --output) output=$2 ;;
    --build-dir) build_dir=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[ -n "$origin" ] || usage
output="${output:-$build_dir/papyr.zip}"

# The origin is checked by the configuration, which refuses a release
# without one; a build folder configured for another origin is reconfigured.
cmake --preset aarch64-release -S "$source_dir" -B "$build_dir" \
  -DPAPYR_API_ORIGIN="$origin" >/dev/null
cmake --build "$build_dir" --target papyr -j 2

helpers="$build_dir/console-helpers"
bash "$source_dir/scripts/fetch-console-helpers.sh" "$helpers"

# The executable carries the C and C++ runtime libraries of the cross
# toolchain inside it; their notices travel with it, each followed by the
# licence text it refers to.
licences="$build_dir/licences"
mkdir -p "$licences"
cat /usr/share/doc/libc6-dev-arm64-cross/copyright /usr/share/common-licenses/LGPL-2.1 \
  >"$licences/glibc.txt"
cat "/usr/share/doc/libstdc++-12-dev-arm64-cross/copyright" /usr/share/common-licenses/GPL-3 \
  >"$licences/gcc-runtime.txt"

sh "$source_dir/packaging/make-release.sh" \
  --executable "$build_dir/src/main/papyr" \
  --helpers "$helpers" \
  --licence "$licences/glibc.txt" \
  --licence "$licences/gcc-runtime.txt" \
  --output "$output"
