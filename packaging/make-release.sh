#!/bin/sh
# Builds a Papyr release package: a zip archive whose layout is the
# installation folder itself, so that unpacking it over
# /mnt/SDCARD/Apps/papyr (what the program's update install does) or into an
# empty folder of that name installs the release:
#
#   launch.sh             this folder's launch.sh
#   config.json           the console's app-menu entry
#   icon.png              the menu icon
#   bin/papyr-native64    the program
#   bin/<program>         extra programs given with --bin
#   <licence>             licence files given with --licence
#
# Usage:
#   make-release.sh --executable PATH --output ZIP [--icon PNG]
#                   [--bin PROGRAM]... [--licence FILE]... [--description TEXT]
#
# Without --icon a plain placeholder icon is drawn. Executables keep their
# run bits inside the archive. Needs zip and python3.
set -eu

here=$(cd "$(dirname "$0")" && pwd)

usage() {
    sed -n '/^# Usage:/,/^# Without/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

executable=
output=
icon=
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
        --output) output=$2 ;;
        --icon) icon=$2 ;;
        --description) description=$2 ;;
        --bin) extra_bins="$extra_bins$2$nl" ;;
        --licence) licences="$licences$2$nl" ;;
        *) usage ;;
    esac
    shift 2
done
[ -n "$executable" ] && [ -n "$output" ] || usage

for file in "$executable" "$here/launch.sh" ${icon:+"$icon"}; do
    [ -f "$file" ] || { echo "make-release.sh: no such file: $file" >&2; exit 1; }
done

case $output in
    /*) ;;
    *) output="$(pwd)/$output" ;;
esac

stage=$(mktemp -d "${TMPDIR:-/tmp}/papyr-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/bin"

install_program() {  # source, destination
    cp "$1" "$2"
    chmod 755 "$2"
}

install_program "$here/launch.sh" "$stage/launch.sh"
install_program "$executable" "$stage/bin/papyr-native64"

old_ifs=$IFS
IFS=$nl
for program in $extra_bins; do
    install_program "$program" "$stage/bin/$(basename "$program")"
done
for licence in $licences; do
    cp "$licence" "$stage/$(basename "$licence")"
    chmod 644 "$stage/$(basename "$licence")"
done
IFS=$old_ifs

if [ -n "$icon" ]; then
    cp "$icon" "$stage/icon.png"
    chmod 644 "$stage/icon.png"
fi

python3 - "$stage" "$description" "$icon" <<'PYTHON'
import json, os, struct, sys, zlib

stage, description, icon = sys.argv[1:4]
with open(os.path.join(stage, "config.json"), "w", encoding="utf-8") as file:
    json.dump({"label": "Papyr", "icon": "icon.png", "launch": "launch.sh",
               "description": description}, file, ensure_ascii=False, indent=2)
    file.write("\n")

if not icon:
    # A placeholder until the real icon is drawn: a page on a dark square.
    size = 128
    def pixel(x, y):
        if 28 <= x < 100 and 16 <= y < 112:
            line = 36 <= x < 92 and (y - 32) % 14 < 4 and 32 <= y < 100
            return (0x33, 0x33, 0x33) if line else (0xF5, 0xF0, 0xE6)
        return (0x1E, 0x27, 0x3A)
    rows = b"".join(b"\0" + bytes(c for x in range(size) for c in pixel(x, y)) for y in range(size))
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(rows, 9))
           + chunk(b"IEND", b""))
    with open(os.path.join(stage, "icon.png"), "wb") as file:
        file.write(png)
PYTHON
chmod 644 "$stage/config.json" "$stage/icon.png"

# zip would add to an existing archive instead of replacing it.
rm -f "$output"
(cd "$stage" && zip -q -r -X "$output" .)
echo "make-release.sh: wrote $output" >&2
