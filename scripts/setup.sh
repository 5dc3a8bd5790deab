#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Papyr
# needs. Safe to run any number of times: it only asks apt for what is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  # libraries and data compiled into the program or its tests
  libstb-dev libgtest-dev libgmock-dev libbenchmark-dev unicode-data
  libpugixml-dev libgumbo-dev libssl-dev
  # the gzipped pages of the extraction corpus, read by its evaluation
  zlib1g-dev
  # the news service's HTTP layer: Boost.Beast and Boost.Asio, header-only
  # (the same headers serve the console's cross build)
  libboost1.81-dev
  # programs the application runs, and the stand-in server's tools
  curl unzip zip openssl ca-certificates python3
  # end-to-end tests: private mount and network namespaces; nginx in front
  # of two services, as a household's public instance would run
  util-linux iproute2 nginx
  # the simulator's window (keyboard and game controllers), and its tests
  # under a virtual X server: key presses, window screenshots
  libsdl2-dev xvfb xdotool x11-apps
  # the console release: cross compiler, the news service's libraries for
  # the consoles' architecture (static archives), and user-mode emulation to
  # run its programs here
  g++-aarch64-linux-gnu qemu-user-static
  libpugixml-dev:arm64 libgumbo-dev:arm64 libssl-dev:arm64
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -ne 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  # apt offers arm64 packages only once dpkg knows the architecture; the
  # update below then fetches its package lists.
  if [[ " ${missing[*]}" == *":arm64"* ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    "${sudo[@]}" dpkg --add-architecture arm64
  fi
  "${sudo[@]}" apt-get update
  "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The arm64 BusyBox that the console release carries (downloaded once).
bash "$(dirname "$0")/fetch-console-helpers.sh"
