#!/usr/bin/env bash
# The helper programs that a console release carries in its bin/ folder for
# firmware that lacks them: BusyBox, statically linked for arm64, from
# Debian's busybox-static package. Its unzip applet is what the update
# install runs; sha256sum lets a person (or a later update) check files.
#
# Usage:
#   fetch-console-helpers.sh                 only make sure the package is downloaded
#   fetch-console-helpers.sh OUTPUT_FOLDER   and put these files into OUTPUT_FOLDER:
#       busybox               the program
#       busybox-LICENSE.txt   Debian's copyright file for it, then the GPL-2 text
#       busybox-SOURCE.txt    the Debian source package it is built from
#
# The package is downloaded once, by apt (which checks it against Debian's
# signed package lists), into build/downloads/ of this repository
# (PAPYR_DOWNLOADS names another folder). apt can only fetch arm64 packages
# once dpkg knows the architecture: it is added, and the lists updated, only
# when apt cannot find the package yet. scripts/setup.sh runs the first form.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
downloads="${PAPYR_DOWNLOADS:-$source_dir/build/downloads}"
package=busybox-static
arch=arm64

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

cached_package() {
  # The newest one, should an older download still be there.
  [ -d "$downloads" ] || return 0
  find "$downloads" -maxdepth 1 -name "${package}_*_${arch}.deb" | sort -V | tail -n 1
}

make_apt_know_the_package() {
  if apt-cache show "$package:$arch" >/dev/null 2>&1; then
    return
  fi
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "fetch-console-helpers: adding the $arch architecture to dpkg" >&2
    "${sudo[@]}" dpkg --add-architecture "$arch"
  fi
  echo "fetch-console-helpers: updating apt's package lists" >&2
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
}

download() {
  make_apt_know_the_package
  mkdir -p "$downloads"
  local work
  work="$(mktemp -d "$downloads/.download.XXXXXX")"
  # apt downloads as its own unprivileged user, which needs to write here.
  if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then
    chown _apt "$work"
  fi
  (cd "$work" && apt-get download "$package:$arch")
  mv "$work"/*.deb "$downloads/"
  rmdir "$work"
}

deb="$(cached_package)"
if [ -z "$deb" ]; then
  download
  deb="$(cached_package)"
fi
[ -n "$deb" ] || { echo "fetch-console-helpers: no $package package in $downloads" >&2; exit 1; }

[ $# -ge 1 ] || exit 0
output="$1"
mkdir -p "$output"

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
install -m 755 "$unpacked/bin/busybox" "$output/busybox"

{
  cat "$unpacked/usr/share/doc/$package/copyright"
  printf '\n\n'
  cat /usr/share/common-licenses/GPL-2
} >"$output/busybox-LICENSE.txt"

version="$(dpkg-deb -f "$deb" Version)"
# "busybox (1:1.35.0-4+deb12u1)" for a rebuild of the same source, or only
# "busybox" when the versions agree.
source_field="$(dpkg-deb -f "$deb" Source)"
source_name="${source_field%% *}"
source_version="$version"
if [[ "$source_field" =~ \((.*)\) ]]; then
  source_version="${BASH_REMATCH[1]}"
fi
cat >"$output/busybox-SOURCE.txt" <<EOF
bin/busybox is BusyBox from Debian's $package package, version $version,
for $arch. It is free software under the GNU General Public License,
version 2; see busybox-LICENSE.txt.

It is built from the Debian source package $source_name, version
$source_version. That source package is its complete corresponding source;
it stays available from the Debian archive and its snapshot service, for
example with:

    apt-get source $source_name=$source_version
EOF
