#!/usr/bin/env bash
# Installs every Debian package the build, the data tools, the tests, the benchmarks and
# the release package with its checks need; with "windows", also the cross compilers, Wine
# and what the Windows job needs.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev
  libgl-dev libegl-dev libgl1-mesa-dri libglx-mesa0 libegl-mesa0
  libpng-dev zlib1g-dev
  libopenmpt-dev
  libfreetype-dev fonts-dejavu-core
  libtomlplusplus-dev
  libgtk-3-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth x11-utils
  ffmpeg
  clang libclang-rt-dev
  dpkg-dev lintian desktop-file-utils man-db groff-base
)

if [ "${1:-}" = "windows" ]; then
  PACKAGES+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
    dpkg-dev wine wine64 zip imagemagick
  )
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# Only the missing packages, and nothing already installed is upgraded on the way.
$SUDO apt-get install -y -qq --no-install-recommends --no-upgrade "${missing[@]}"
