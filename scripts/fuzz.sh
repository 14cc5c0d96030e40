#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a short while (FUZZ_SECONDS,
# default 35, so that all eight fit in about five minutes), seeded with the data files the
# build generates and the small files in fuzz/*_seeds. A crash fails the run and
# leaves the input in the fuzz build folder. Longer campaigns: FUZZ_SECONDS=3600.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-35}
# The configure log stays inside the build folder, out of the checkout.
mkdir -p "$BUILD"
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARLO_FUZZ=ON \
  -DBUILD_TESTING=OFF -DMARLO_BENCH=OFF > "$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
HARNESSES=(scene_fuzz)
[ -f fuzz/combiner_fuzz.cpp ] && HARNESSES+=(combiner_fuzz)
[ -f fuzz/font_fuzz.cpp ] && HARNESSES+=(font_fuzz font_data)
[ -f fuzz/log_fuzz.cpp ] && HARNESSES+=(log_fuzz)
for harness in bmp_fuzz png_fuzz file_fuzz show_fuzz; do
  [ -f "fuzz/$harness.cpp" ] && HARNESSES+=("$harness")
done
cmake --build "$BUILD" -j"$(nproc)" --target "${HARNESSES[@]}" scene_data

run() {
  local harness=$1; shift
  local corpus="$BUILD/fuzz/$harness.corpus"
  mkdir -p "$corpus"
  echo "fuzz: $harness for $SECONDS_EACH s"
  (cd "$BUILD/fuzz" && ./"$harness" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
    -max_len=65536 "$harness.corpus" "$@" 2>&1 | grep -E "^(stat::number_of_executed_units|==[0-9]+==|SUMMARY|Done)" || true)
  # libFuzzer leaves crash-*, leak-*, oom-* or timeout-* files behind when it finds something.
  if compgen -G "$BUILD/fuzz/crash-*" > /dev/null || compgen -G "$BUILD/fuzz/leak-*" > /dev/null ||
     compgen -G "$BUILD/fuzz/oom-*" > /dev/null || compgen -G "$BUILD/fuzz/timeout-*" > /dev/null; then
    echo "fuzz: $harness found a failing input in $BUILD/fuzz"; exit 1
  fi
}

DATA="$(pwd)/$BUILD/app/data"
run scene_fuzz "$DATA/files/geometry" "$DATA"
if [ -f fuzz/combiner_fuzz.cpp ]; then
  run combiner_fuzz "$(pwd)/fuzz/combiner_seeds"
fi
if [ -f fuzz/font_fuzz.cpp ]; then
  run font_fuzz "$DATA/Files/Fonts" "$(pwd)/fuzz/font_seeds"
fi
if [ -f fuzz/log_fuzz.cpp ]; then
  run log_fuzz "$(pwd)/fuzz/log_seeds"
fi
if [ -f fuzz/show_fuzz.cpp ]; then
  run show_fuzz "$(pwd)/fuzz/show_seeds" "$(pwd)/data/shows" "$(pwd)/tests/app/shows"
fi
for kind in bmp png file; do
  if [ -f "fuzz/${kind}_fuzz.cpp" ]; then
    run "${kind}_fuzz" "$(pwd)/fuzz/${kind}_seeds"
  fi
done
