#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Papyr
# needs. Safe to run any number of times: it only asks apt for what is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  # libraries and data compiled into the program or its tests
  libstb-dev libgtest-dev libgmock-dev libbenchmark-dev unicode-data
  # programs the application runs, and the stand-in server's tools
  curl unzip zip openssl ca-certificates python3
  # end-to-end tests: private mount and network namespaces
  util-linux iproute2
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
