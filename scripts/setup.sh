#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build ccache pkg-config python3
  # LLVM's linker: CMakeLists.txt links with it when it is there.
  lld
  # The sanitizer test build (scripts/test.sh): clang with its sanitizer
  # run-times and symbolizer; the C library's symbols name the loader's
  # frames in leak reports.
  clang-14 libclang-rt-14-dev llvm-14 libc6-dbg
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
  SUDO=()
  if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: these packages are missing: ${missing[*]}" >&2
      echo "setup: not running as root, and sudo is not installed. Either run, as root:" >&2
      echo "    apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
      echo "or install sudo (as root: apt-get install sudo; adduser $(id -un) sudo) and run this again." >&2
      exit 1
    fi
    SUDO=(sudo)
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
