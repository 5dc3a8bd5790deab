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
#                            [--sign KEY.pem --download-url URL
#                             [--channel-dir FOLDER]]
#
# With --sign, the package is also signed for the release channel
# (scripts/sign-release.sh): papyr.json and papyr.json.sig, for the version
# the program reports, go to --channel-dir (default: the build folder's
# channel/); the package is to be served at URL.
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
sign_key=
download_url=
channel_dir=
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case $1 in
    --origin) origin=$2 ;;
    --output) output=$2 ;;
    --build-dir) build_dir=$2 ;;
    --sign) sign_key=$2 ;;
    --download-url) download_url=$2 ;;
    --channel-dir) channel_dir=$2 ;;
    *) usage ;;
  esac
  shift 2
done
[ -n "$origin" ] || usage
if [ -n "$sign_key$download_url" ] && { [ -z "$sign_key" ] || [ -z "$download_url" ]; }; then
  echo "build-console-release.sh: --sign and --download-url go together" >&2
  exit 2
fi
# Checked before the long build, not after it.
if [ -n "$sign_key" ] && [ ! -f "$sign_key" ]; then
  echo "build-console-release.sh: no such key file: $sign_key" >&2
  exit 1
fi
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

if [ -n "$sign_key" ]; then
  # The version the reader compares with the manifest's.
  version=$(sed -n 's/^inline constexpr char CURRENT_VERSION\[\] = "\(.*\)";$/\1/p' \
    "$source_dir/src/update/version.h")
  [ -n "$version" ] || { echo "build-console-release.sh: no CURRENT_VERSION in src/update/version.h" >&2; exit 1; }
  bash "$source_dir/scripts/sign-release.sh" "$sign_key" "$output" "$version" "$download_url" \
    "${channel_dir:-$build_dir/channel}"
fi
