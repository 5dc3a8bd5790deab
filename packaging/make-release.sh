#!/bin/sh
# Builds a Papyr release package: a zip archive whose layout is the
# installation folder itself, so that unpacking it over
# /mnt/SDCARD/Apps/papyr (what the program's update install does) or into an
# empty folder of that name installs the release:
#
#   launch.sh             this folder's launch.sh
#   config.json           the console's app-menu entry
#   icon.png              the menu icon (this folder's icon.png, drawn by
#                         packaging/icon/papyr_icon.cpp)
#   bin/papyr-native64    the program
#   bin/papyr-server      with --server: the news service that launch.sh
#                         starts beside the program
#   sources.json          with --server: this folder's sources.json, where
#                         the service looks for it (beside or above itself)
#   ca-certificates.crt   with --server: the CA bundle given with --ca-bundle,
#                         which the service trusts when the system has none
#   bin/busybox, bin/unzip, bin/sha256sum
#                         with --helpers: BusyBox and the scripts of this
#                         folder's bin/ that run its applets
#   bin/<program>         extra programs given with --bin
#   licences/             the font's licence (the font is inside the
#                         program), BusyBox's with --helpers, and the licence
#                         files given with --licence
#
# Usage:
#   make-release.sh --executable PATH --output ZIP [--icon PNG]
#                   [--server PATH --ca-bundle FILE]
#                   [--helpers FOLDER] [--bin PROGRAM]... [--licence FILE]...
#                   [--description TEXT]
#
# --helpers takes the folder that scripts/fetch-console-helpers.sh fills;
# --server and --ca-bundle come together.
# Executables keep their run bits inside the archive. Needs zip and python3.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

usage() {
    sed -n '/^# Usage:/,/^[^#]/{/^#/p}' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

executable=
server=
ca_bundle=
output=
icon="$here/icon.png"
helpers=
description="Đọc tin tức Việt Nam và quốc tế"
extra_bins=
licences=
# Paths are kept one per line, so names with blanks survive.
nl='
'
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || usage
    case $1 in
        --executable) executable=$2 ;;
        --server) server=$2 ;;
        --ca-bundle) ca_bundle=$2 ;;
        --output) output=$2 ;;
        --icon) icon=$2 ;;
        --helpers) helpers=$2 ;;
        --description) description=$2 ;;
        --bin) extra_bins="$extra_bins$2$nl" ;;
        --licence) licences="$licences$2$nl" ;;
        *) usage ;;
    esac
    shift 2
done
[ -n "$executable" ] && [ -n "$output" ] || usage
# The service without a bundle would fail on a console whose firmware has no
# usable one; a bundle without the service would be dead weight.
[ -n "$server" ] || [ -z "$ca_bundle" ] || usage
[ -z "$server" ] || [ -n "$ca_bundle" ] || usage

font_licence="$here/../assets/LICENSE-DejaVu.txt"
for file in "$executable" "$here/launch.sh" "$icon" "$font_licence" \
    ${server:+"$server" "$here/sources.json" "$ca_bundle"} \
    ${helpers:+"$helpers/busybox" "$helpers/busybox-LICENSE.txt" "$helpers/busybox-SOURCE.txt"}; do
    [ -f "$file" ] || { echo "make-release.sh: no such file: $file" >&2; exit 1; }
done

case $output in
    /*) ;;
    *) output="$(pwd)/$output" ;;
esac

stage=$(mktemp -d "${TMPDIR:-/tmp}/papyr-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/bin" "$stage/licences"

install_program() {  # source, destination
    cp "$1" "$2"
    chmod 755 "$2"
}

install_licence() {  # source, name in licences/
    install_data "$1" "$stage/licences/$2"
}

install_data() {  # source, destination
    cp "$1" "$2"
    chmod 644 "$2"
}

install_program "$here/launch.sh" "$stage/launch.sh"
install_program "$executable" "$stage/bin/papyr-native64"
install_licence "$font_licence" LICENSE-DejaVu.txt

if [ -n "$server" ]; then
    install_program "$server" "$stage/bin/papyr-server"
    install_data "$here/sources.json" "$stage/sources.json"
    install_data "$ca_bundle" "$stage/ca-certificates.crt"
fi

if [ -n "$helpers" ]; then
    install_program "$helpers/busybox" "$stage/bin/busybox"
    install_program "$here/bin/unzip" "$stage/bin/unzip"
    install_program "$here/bin/sha256sum" "$stage/bin/sha256sum"
    install_licence "$helpers/busybox-LICENSE.txt" busybox-LICENSE.txt
    install_licence "$helpers/busybox-SOURCE.txt" busybox-SOURCE.txt
fi

old_ifs=$IFS
IFS=$nl
for program in $extra_bins; do
    install_program "$program" "$stage/bin/$(basename "$program")"
done
for licence in $licences; do
    install_licence "$licence" "$(basename "$licence")"
done
IFS=$old_ifs

cp "$icon" "$stage/icon.png"
chmod 644 "$stage/icon.png"

python3 - "$stage" "$description" <<'PYTHON'
import json, os, sys

stage, description = sys.argv[1:3]
with open(os.path.join(stage, "config.json"), "w", encoding="utf-8") as file:
    json.dump({"label": "Papyr", "icon": "icon.png", "launch": "launch.sh",
               "description": description}, file, ensure_ascii=False, indent=2)
    file.write("\n")

PYTHON
chmod 644 "$stage/config.json"

# zip would add to an existing archive instead of replacing it.
rm -f "$output"
(cd "$stage" && zip -q -r -X "$output" .)
echo "make-release.sh: wrote $output" >&2
