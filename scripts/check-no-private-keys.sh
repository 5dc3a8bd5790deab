#!/usr/bin/env bash
# Fails when a file the repository tracks holds a PEM private key: the
# release key's private half lives offline, never here (see the README),
# and neither does any other key. Text that merely names the PEM header
# (a test's damaged key file) does not count: a key has its base64 body.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z | python3 -c '
import re, sys
key = re.compile(rb"-----BEGIN [A-Z ]*PRIVATE KEY-----\r?\n(?:[A-Za-z0-9+/=:, -]*\r?\n)*?"
                 rb"[A-Za-z0-9+/=]{40,}\r?\n")
found = []
for name in sys.stdin.buffer.read().split(b"\0"):
    try:
        with open(name, "rb") as file:
            if key.search(file.read()):
                found.append(name.decode(errors="replace"))
    except (IsADirectoryError, FileNotFoundError):
        pass
for name in found:
    print(f"{name}: holds a private key; remove it from the repository and its history", file=sys.stderr)
sys.exit(1 if found else 0)
'
echo "no private keys: no tracked file holds one"
