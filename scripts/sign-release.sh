#!/usr/bin/env bash
# Signs a release for the release channel: writes the manifest of the
# package and its detached Ed25519 signature, which papyr-server checks
# against the release public key before it offers the package to a reader.
#
# Usage:
#   sign-release.sh [--name TEXT] [--changelog TEXT]
#                   KEY.pem ZIP VERSION DOWNLOAD_URL OUTDIR
#
#   KEY.pem       the release private key (Ed25519, PEM; openssl asks for its
#                 passphrase when it has one)
#   ZIP           the release package (scripts/build-console-release.sh)
#   VERSION       the release's version, as the program reports it (1.0.1)
#   DOWNLOAD_URL  where the channel serves ZIP; on the channel's own host
#   OUTDIR        gets papyr.json and papyr.json.sig; publish both next to
#                 each other, at the channel's URL and that URL + ".sig"
#
# --name defaults to "Papyr VERSION", --changelog to the same text.
# The signature covers the exact bytes of papyr.json: publish the file as it
# is written here, never re-encoded. Needs openssl 3 and python3.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
  sed -n '/^# Usage:/,/^# Needs/p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

die() {
  echo "sign-release.sh: $*" >&2
  exit 1
}

name=
changelog=
while [ $# -gt 0 ]; do
  case $1 in
    --name) [ $# -ge 2 ] || usage; name=$2; shift 2 ;;
    --changelog) [ $# -ge 2 ] || usage; changelog=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# -eq 5 ] || usage
key=$1 package=$2 version=$3 download_url=$4 outdir=$5
name=${name:-Papyr $version}
changelog=${changelog:-Papyr $version}

[ -f "$key" ] || die "no such key file: $key"
[ -f "$package" ] || die "no such package: $package"
# The service names the kept package after the version and serves it under
# it, so only characters that are safe in a file name and a URL path.
[[ $version =~ ^[A-Za-z0-9_+-][A-Za-z0-9._+-]{0,63}$ ]] ||
  die "the version \"$version\" may hold letters, digits and . _ + - only (at most 64)"
[[ $download_url =~ ^https?://[^/?#@[:space:]]+/[^[:space:]]*$ ]] ||
  die "DOWNLOAD_URL must be an http(s) URL, not \"$download_url\""
mkdir -p "$outdir"

stage=$(mktemp -d "${TMPDIR:-/tmp}/papyr-sign.XXXXXX")
trap 'rm -rf "$stage"' EXIT

openssl pkey -in "$key" -pubout -out "$stage/key.pub" 2>"$stage/error" ||
  die "$key is no private key: $(head -n 1 "$stage/error")"
key_text=$(openssl pkey -pubin -in "$stage/key.pub" -noout -text)
[[ $key_text == "ED25519 Public-Key"* ]] ||
  die "$key is not an Ed25519 key (openssl genpkey -algorithm ed25519 makes one)"
if ! cmp -s "$stage/key.pub" "$source_dir/packaging/release-key.pub"; then
  echo "sign-release.sh: warning: $key is not the key of packaging/release-key.pub;" \
    "only a papyr-server given its public key (--release-key) will offer this release" >&2
fi

sha256=$(openssl dgst -sha256 -r "$package" | cut -d ' ' -f 1)
bytes=$(wc -c <"$package")
python3 - "$stage/papyr.json" "$version" "$name" "$changelog" "$download_url" "$bytes" \
  "$sha256" <<'PYTHON'
import json, sys

path, version, name, changelog, url, size, sha256 = sys.argv[1:8]
manifest = {"version": version, "name": name, "changelog": changelog, "download_url": url,
            "size_mb": round(int(size) / 1048576, 2), "sha256": sha256}
with open(path, "w", encoding="utf-8") as file:
    file.write(json.dumps(manifest, ensure_ascii=False, indent=2) + "\n")
PYTHON

openssl pkeyutl -sign -rawin -inkey "$key" -in "$stage/papyr.json" -out "$stage/signature"
openssl base64 -A -in "$stage/signature" -out "$stage/papyr.json.sig"
echo >>"$stage/papyr.json.sig"
# What the service will do: check the signature with the public key.
openssl pkeyutl -verify -rawin -pubin -inkey "$stage/key.pub" -in "$stage/papyr.json" \
  -sigfile "$stage/signature" >/dev/null || die "the signature just made does not verify"

# The signature goes last, so a reader of OUTDIR never pairs a new manifest
# with an old signature for long.
mv "$stage/papyr.json" "$outdir/papyr.json"
mv "$stage/papyr.json.sig" "$outdir/papyr.json.sig"
echo "sign-release.sh: wrote $outdir/papyr.json and $outdir/papyr.json.sig" \
  "(version $version, sha256 $sha256)" >&2
