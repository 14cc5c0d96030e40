#!/usr/bin/env bash
# Builds the show and plays it. Installs what it needs first. Extra arguments go to marlo.
# Without a display it runs on SDL's offscreen driver for a few seconds and says so.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$BUILD.configure.log" 2>&1 ||
  { cat "$BUILD.configure.log"; exit 1; }
cmake --build "$BUILD" -j"$(nproc)" --target marlo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "run: no display; playing headless (SDL offscreen driver) for ${MARLO_HEADLESS_SECONDS:-5} s"
  export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
  # SDL turns SIGTERM into its quit event, so the show ends as if Escape had been released.
  exec timeout --preserve-status -s TERM "${MARLO_HEADLESS_SECONDS:-5}" "$BUILD/app/marlo" "$@"
fi
exec "$BUILD/app/marlo" "$@"
