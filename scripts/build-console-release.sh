#!/usr/bin/env bash
# Builds the console release: the static aarch64 reader and news service,
# packed with the launcher, the app-menu entry, the icon, the service's
# sources and CA bundle, the BusyBox helpers and the licences into one zip
# whose layout is the installation folder (see packaging/make-release.sh).
# The update server offers this same zip.
#
# Usage:
#   build-console-release.sh [--origin https://news.example.org]
#                            [--output ZIP] [--build-dir FOLDER]
#                            [--sign KEY.pem --download-url URL
#                             [--channel-dir FOLDER]]
#
# With --sign, the package is also signed for the release channel
# (scripts/sign-release.sh): papyr.json and papyr.json.sig, for the version
# the program reports, go to --channel-dir (default: the build folder's
# channel/); the package is to be served at URL.
#
# Without --origin the reader asks the service that launch.sh starts beside
# it on the console (https://127.0.0.1:4548); --origin points the release at
# another papyr-server instead, such as one serving a household.
# Defaults: build folder build/aarch64-release, package papyr.zip in it.
# Run scripts/setup.sh first (cross compiler, arm64 libraries, BusyBox).
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

# The configuration checks the origin's form. Without --origin the cached
# one is dropped, so that a build folder once configured for a household
# server goes back to the default instead of keeping that server.
if [ -n "$origin" ]; then
  origin_setting=(-DPAPYR_API_ORIGIN="$origin")
else
  origin_setting=(-UPAPYR_API_ORIGIN)
fi
cmake --preset aarch64-release -S "$source_dir" -B "$build_dir" "${origin_setting[@]}" >/dev/null
cmake --build "$build_dir" --target papyr papyr-server -j 2

helpers="$build_dir/console-helpers"
bash "$source_dir/scripts/fetch-console-helpers.sh" "$helpers"

# The executables carry the libraries they are linked with; each notice
# travels with them, followed by the licence text it refers to.
licences="$build_dir/licences"
mkdir -p "$licences"
cat /usr/share/doc/libc6-dev-arm64-cross/copyright /usr/share/common-licenses/LGPL-2.1 \
  >"$licences/glibc.txt"
cat "/usr/share/doc/libstdc++-12-dev-arm64-cross/copyright" /usr/share/common-licenses/GPL-3 \
  >"$licences/gcc-runtime.txt"
cat /usr/share/doc/libssl-dev/copyright /usr/share/common-licenses/Apache-2.0 \
  >"$licences/openssl.txt"
cat /usr/share/doc/libgumbo-dev/copyright /usr/share/common-licenses/Apache-2.0 \
  >"$licences/gumbo.txt"
cp /usr/share/doc/libpugixml-dev/copyright "$licences/pugixml.txt"
# Boost.Asio and Boost.Beast are compiled into the service from their
# headers: the licence paragraph of Debian's copyright file.
{
  echo "Boost.Asio and Boost.Beast (Debian's libboost1.81-dev), in bin/papyr-server:"
  echo
  awk '/^ Boost Software License - Version 1.0/ { on = 1 } on && /^$/ { exit }
       on { sub(/^ \.?/, ""); print }' /usr/share/doc/libboost1.81-dev/copyright
} >"$licences/boost.txt"
grep -q 'Boost Software License - Version 1.0' "$licences/boost.txt" ||
  { echo "build-console-release: no Boost licence in libboost1.81-dev's copyright file" >&2; exit 1; }
cp /usr/share/doc/ca-certificates/copyright "$licences/ca-certificates.txt"

# Debian's own set of certificates, as the ca-certificates package ships
# them. Not /etc/ssl/certs/ca-certificates.crt: that one also holds whatever
# authorities were added to this build machine by hand.
ca_bundle="$build_dir/ca-certificates.crt"
dpkg-query -L ca-certificates | grep '^/usr/share/ca-certificates/mozilla/.*\.crt$' | LC_ALL=C sort |
  xargs -d '\n' cat >"$ca_bundle.tmp"
grep -q -- '-----BEGIN CERTIFICATE-----' "$ca_bundle.tmp" ||
  { echo "build-console-release: no certificates in the ca-certificates package" >&2; exit 1; }
mv "$ca_bundle.tmp" "$ca_bundle"

licence_arguments=()
for licence in glibc gcc-runtime openssl gumbo pugixml boost ca-certificates; do
  licence_arguments+=(--licence "$licences/$licence.txt")
done

sh "$source_dir/packaging/make-release.sh" \
  --executable "$build_dir/src/main/papyr" \
  --server "$build_dir/src/news_server/papyr-server" \
  --ca-bundle "$ca_bundle" \
  --helpers "$helpers" \
  "${licence_arguments[@]}" \
  --output "$output"

if [ -n "$sign_key" ]; then
  # The version the reader compares with the manifest's.
  version=$(sed -n 's/^inline constexpr char CURRENT_VERSION\[\] = "\(.*\)";$/\1/p' \
    "$source_dir/src/update/version.h")
  [ -n "$version" ] || { echo "build-console-release.sh: no CURRENT_VERSION in src/update/version.h" >&2; exit 1; }
  bash "$source_dir/scripts/sign-release.sh" "$sign_key" "$output" "$version" "$download_url" \
    "${channel_dir:-$build_dir/channel}"
fi
