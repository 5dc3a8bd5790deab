#!/usr/bin/env bash
# The HTTP server library of papyr-server: cpp-httplib, as Debian's source
# package, built into the program from source for every architecture.
#
# Why from source: Debian's libcpp-httplib-dev splits the library into a
# declarations-only header and a shared libcpp-httplib.so; there is no static
# library for the console's static aarch64 program. The upstream single
# header that the source package carries is the whole library.
#
# Usage:
#   fetch-httplib.sh            make sure the unpacked source is in place
#   fetch-httplib.sh --print    and print the folder holding httplib.h
#
# The source package is downloaded once by apt from Debian's source index,
# whose signature apt checks with the system's Debian archive keyring; the
# package description (.dsc) must also match the checksum pinned below, and
# dpkg-source checks the tarballs against the .dsc and applies Debian's
# patches (a security fix). Then this project's own patch
# (cpp-httplib-request-limits.patch, beside this script) bounds request
# lines and header counts, which this version leaves unbounded, and gives a
# client a deadline for its TLS handshake and each request's head, which
# the per-read timeout alone does not (a byte now and then resets it).
# It also makes a stop that comes before the accept loop has started
# close the listening socket, where this version would lose it.
# Everything lands in build/downloads/ of this repository (PAPYR_DOWNLOADS
# names another folder); apt's lists for it are kept there too, so the
# system's apt configuration is never changed. scripts/setup.sh runs it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source_dir="$(cd "$here/.." && pwd)"
downloads="${PAPYR_DOWNLOADS:-$source_dir/build/downloads}"

package=cpp-httplib
version=0.11.4+ds-1+deb12u1
dsc_sha256=a4dde747bbde7cc9fa62cdf50d61140a0eaefb7f1383497ef2d48daf3bf5f9ec
patch_file="$here/cpp-httplib-request-limits.patch"
# The folder name records the patch too, so a changed patch unpacks anew.
patch_sum="$(sha256sum "$patch_file" | cut -c1-12)"
target="$downloads/$package-$version-$patch_sum"

if [ -f "$target/httplib.h" ]; then
  [ "${1:-}" = --print ] && echo "$target"
  exit 0
fi

for tool in apt-get dpkg-source patch sha256sum; do
  command -v "$tool" >/dev/null || { echo "fetch-httplib: $tool is missing" >&2; exit 1; }
done
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
[ -f "$keyring" ] || { echo "fetch-httplib: $keyring is missing (debian-archive-keyring)" >&2; exit 1; }

apt_dir="$downloads/apt-sources"
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
cat >"$apt_dir/parts/debian-sources.sources" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: $keyring

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: $keyring
EOF
apt_options=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$apt_dir/parts"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
)

work="$(mktemp -d "$downloads/.httplib.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# apt downloads as its own unprivileged user, which needs to write here.
if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
  chown -R _apt "$work" "$apt_dir"
fi

echo "fetch-httplib: downloading Debian's $package $version source package" >&2
apt-get "${apt_options[@]}" update >/dev/null
(cd "$work" && apt-get "${apt_options[@]}" source --download-only "$package=$version" >/dev/null)

dsc="$work/${package}_${version}.dsc"
echo "$dsc_sha256  $dsc" | sha256sum --check --quiet - || {
  echo "fetch-httplib: $dsc does not match the pinned checksum" >&2
  exit 1
}
# Checks the tarballs against the .dsc and applies Debian's patches.
dpkg-source -x "$dsc" "$work/source" >/dev/null 2>&1
patch --quiet -d "$work/source" -p1 <"$patch_file"

mkdir -p "$target.partial"
cp "$work/source/httplib.h" "$work/source/LICENSE" "$target.partial/"
cp "$work/source/debian/copyright" "$target.partial/debian-copyright"
rm -rf "$target"
mv "$target.partial" "$target"
[ "${1:-}" = --print ] && echo "$target"
exit 0
