#!/usr/bin/env bash
# Captures each shipped show file and its built-in composition whole (or until SECONDS) and
# compares the captures byte for byte. Builds the program first.
#   scripts/compare-show-files.sh [SECONDS] [FPS]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-program.sh
BUILD=${BUILD_DIR:-build}
UNTIL=()
[ -n "${1:-}" ] && UNTIL=(--until "$1")
FPS=${2:-25}
OUT=$(mktemp -d)
trap 'rm -rf "$OUT"' EXIT
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
status=0
for show in default showcase; do
  "$BUILD/app/marlo" --show "$show" --capture "$OUT/$show-built-in" --fps "$FPS" "${UNTIL[@]}" 2> "$OUT/$show.log"
  "$BUILD/app/marlo" --show "$BUILD/app/data/shows/$show.toml" --capture "$OUT/$show-file" --fps "$FPS" "${UNTIL[@]}" \
    2>> "$OUT/$show.log"
  if diff -rq "$OUT/$show-built-in" "$OUT/$show-file"; then
    echo "compare: $show: $(ls "$OUT/$show-file" | wc -l) files, identical"
  else
    echo "compare: $show: the captures differ"
    status=1
  fi
done
exit $status
