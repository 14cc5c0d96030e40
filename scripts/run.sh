#!/usr/bin/env bash
# Builds the show and plays it. Installs what it needs first. Extra arguments go to marlo.
# Without a display it captures the show offline into out/ (or $MARLO_OUT) and says where.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-program.sh
BUILD=${BUILD_DIR:-build}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  OUT=${MARLO_OUT:-out}
  echo "run: no display; capturing the show offline into $OUT/ (frames, soundtrack and video)"
  "$BUILD/app/marlo" --capture "$OUT" --video "$OUT/marlo.mp4" "$@"
  echo "run: done: $OUT/frame_*.png, $OUT/soundtrack.wav and $OUT/marlo.mp4"
  exit 0
fi
exec "$BUILD/app/marlo" "$@"
