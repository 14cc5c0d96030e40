#!/usr/bin/env bash
# Installs what the program needs and builds marlo (RelWithDebInfo) in BUILD_DIR (default
# build). The configure log stays inside the build folder, out of the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
BUILD=${BUILD_DIR:-build}
mkdir -p "$BUILD"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$BUILD/configure.log" 2>&1 ||
  { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j"$(nproc)" --target marlo
