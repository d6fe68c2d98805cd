#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build ccache pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  liblua5.1-0-dev lua5.1
  zlib1g-dev libminizip-dev libarchive-dev
  libcjson-dev libssl-dev openssl libcurl4-openssl-dev
  libpng-dev libjpeg62-turbo-dev
  libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  libsdl2-dev libx11-dev
  libopenal-dev libmpg123-dev libmp3lame-dev
  libbox2d-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev xdg-utils
  libwebkit2gtk-4.1-dev xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
