#!/usr/bin/env bash
# The Windows job: cross-builds marlo.exe and the test programs with mingw-w64, runs the
# test programs and the show under Wine on a virtual X server, checks a capture made under
# Wine against the same capture made on Linux, and packs marlo-windows.zip (the program,
# its data folder, a README and the licence). Installs what it needs first.
#
#   scripts/windows.sh [--zip-only]
#
# With --zip-only it builds marlo.exe alone and packs the zip, without Wine (the release
# files, scripts/package.sh). The zip is also copied into dist/ (DIST_DIR moves it).
#
#   NATIVE_BUILD_DIR   native build folder for the data tools, the Linux program and the
#                      frame comparison (default build; made when missing)
#   WINDOWS_BUILD_DIR  the cross build folder (default build-windows)
#   WINE_TEST_LIMIT    seconds a test program may run under Wine (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

scripts/setup.sh windows

absolute() { case "$1" in /*) echo "$1" ;; *) echo "$ROOT/$1" ;; esac; }
NATIVE=$(absolute "${NATIVE_BUILD_DIR:-build}")
BUILD=$(absolute "${WINDOWS_BUILD_DIR:-build-windows}")
CHECK=$BUILD/check
ZIP_ONLY=0
case "${1:-}" in
  --zip-only) ZIP_ONLY=1 ;;
  "") ;;
  *) echo "usage: scripts/windows.sh [--zip-only]" >&2; exit 2 ;;
esac
JOBS=$(nproc)
TEST_LIMIT=${WINE_TEST_LIMIT:-600}
mkdir -p "$BUILD"
rm -rf "$CHECK"
mkdir -p "$CHECK"

STARTED=$(date +%s)
step() { echo "windows: $* ($(($(date +%s) - STARTED)) s)"; }
fail() {
  echo "windows: FAILED: $*" >&2
  exit 1
}

# The native side: the show's data (the tools run here), the Linux program and the frame
# comparison for the capture check.
if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
  mkdir -p "$NATIVE"
  cmake -S . -B "$NATIVE" > "$NATIVE/configure.log" 2>&1 || { cat "$NATIVE/configure.log"; exit 1; }
fi
step "native data tools, program and frame comparison"
native_targets=(marlo compare_frames)
[ "$ZIP_ONLY" = 1 ] && native_targets=(marlo)
cmake --build "$NATIVE" -j"$JOBS" --target "${native_targets[@]}" > "$CHECK/native-build.log" 2>&1 ||
  { tail -40 "$CHECK/native-build.log"; exit 1; }

step "cross-built libraries"
# Its log is kept: a failed build shows what failed and the tail of its own log.
scripts/windows-deps.sh > "$CHECK/deps.log" 2>&1 || { tail -40 "$CHECK/deps.log"; fail "the cross-built libraries failed"; }
PREFIX=$(tail -1 "$CHECK/deps.log")
[ -d "$PREFIX" ] || { tail -20 "$CHECK/deps.log"; fail "the cross-built libraries named no prefix"; }

step "configuring and building marlo.exe and the test programs"
# A build configured against another prefix (the libraries were built again under a new
# key and the old prefix went) starts afresh: its cache names the old prefix's files.
if [ -f "$BUILD/CMakeCache.txt" ] &&
   grep -F "$(dirname "$PREFIX")/" "$BUILD/CMakeCache.txt" | grep -qvF "$PREFIX"; then
  rm -rf "$BUILD/CMakeCache.txt" "$BUILD/CMakeFiles"
fi
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DMARLO_WINDOWS_DEPS="$PREFIX" \
  -DMARLO_NATIVE_DATA_DIR="$NATIVE/app/data" -DCMAKE_BUILD_TYPE=Release -DMARLO_WERROR=ON -DMARLO_BENCH=OFF \
  > "$BUILD/configure.log" 2>&1 || { cat "$BUILD/configure.log"; exit 1; }
cross_targets=()
[ "$ZIP_ONLY" = 1 ] && cross_targets=(--target marlo)
cmake --build "$BUILD" -j"$JOBS" "${cross_targets[@]}" > "$CHECK/build.log" 2>&1 || { grep -B2 -A12 -m5 "error" "$CHECK/build.log"; tail -20 "$CHECK/build.log"; exit 1; }

# The release zip: the program, its data folder and the texts, with the line ends Windows'
# own editors expect.
pack_zip() {
  step "packing marlo-windows.zip"
  local package=$BUILD/package/marlo
  rm -rf "$BUILD/package" "$BUILD/marlo-windows.zip"
  mkdir -p "$package"
  x86_64-w64-mingw32-strip -o "$package/marlo.exe" "$BUILD/app/marlo.exe"
  cp -r "$NATIVE/app/data" "$package/data"
  for text in packaging/windows/README.txt:README.txt LICENSE:LICENSE.txt; do
    sed 's/\r*$/\r/' "${text%%:*}" > "$package/${text#*:}"
  done
  # The licences of what marlo.exe has built in and of the font, as Debian ships them.
  local doc
  for doc in fonts-dejavu-core libpng16-16 libopenmpt0 libz-mingw-w64-dev mingw-w64-x86-64-dev \
    gcc-mingw-w64-x86-64-posix-runtime; do
    [ -f "/usr/share/doc/$doc/copyright" ] || fail "no /usr/share/doc/$doc/copyright for NOTICES.txt"
    printf '==== %s ====\n\n' "$doc"
    cat "/usr/share/doc/$doc/copyright"
    printf '\n'
  done | sed 's/\r*$/\r/' > "$package/NOTICES.txt"
  (cd "$BUILD/package" && zip -qr "$BUILD/marlo-windows.zip" marlo)
  local dist
  dist=$(absolute "${DIST_DIR:-dist}")
  mkdir -p "$dist"
  cp "$BUILD/marlo-windows.zip" "$dist/"
  step "done: $dist/marlo-windows.zip ($(du -h "$BUILD/marlo-windows.zip" | cut -f1))"
}
if [ "$ZIP_ONLY" = 1 ]; then
  pack_zip
  exit 0
fi

# Wine, in a prefix of its own inside the build folder. Nothing may wait for a person: no
# installer of Wine's own (mscoree, mshtml off), no box (tests switch boxes off, the show
# runs with --no-error-box), and no window manager, so the X11 driver must not hand windows
# to one (Managed = N), or every window close waits 2 s for an answer that never comes.
export WINEPREFIX=$BUILD/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Sound goes to ALSA's null device: Wine then offers a waveOut device that plays nothing,
# so the output's tests run on a device without a sound card.
export HOME=$BUILD/wine-home
mkdir -p "$HOME"
echo 'pcm.!default { type null }' > "$HOME/.asoundrc"
if [ ! -f "$WINEPREFIX/.marlo-ready" ]; then
  step "making the Wine prefix"
  timeout 600 wineboot -i > "$CHECK/wineboot.log" 2>&1 || { tail -20 "$CHECK/wineboot.log"; fail "wineboot could not make the Wine prefix"; }
  timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > "$CHECK/wine-reg.log" 2>&1 ||
    { tail -20 "$CHECK/wine-reg.log"; fail "wine reg add could not turn off the window manager's windows"; }
  timeout 120 wineserver -w || fail "the Wine server did not end after making the prefix"
  touch "$WINEPREFIX/.marlo-ready"
fi

# A virtual X server of our own for the whole job.
display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free X display number"
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp > "$CHECK/xvfb.log" 2>&1 &
XVFB_PID=$!
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  kill "$XVFB_PID" 2> /dev/null || true
}
trap cleanup EXIT
export DISPLAY=:$display
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo > /dev/null 2>&1 || { cat "$CHECK/xvfb.log"; fail "Xvfb did not come up on :$display"; }
# One Wine server for every run of the job.
wineserver -p

# Linux paths as Wine names them.
winepath() { echo "Z:$1"; }

step "test programs under Wine"
failed=()
for program in kestlib_tests engine_tests scene_tests demosystem_tests effects_tests sound_tests capture_tests \
  app_tests capture_rotation_tests; do
  exe=$BUILD/tests/$program.exe
  [ -f "$exe" ] || fail "$program.exe was not built"
  start=$(date +%s)
  status=0
  timeout "$TEST_LIMIT" wine "$exe" --gtest_brief=1 > "$CHECK/$program.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    echo "  $program: $(grep -E '^\[  PASSED  \]' "$CHECK/$program.log" | head -1 || true) ($(($(date +%s) - start)) s)"
  else
    [ "$status" -eq 124 ] && echo "  $program: TIMED OUT after $TEST_LIMIT s" || echo "  $program: FAILED (exit $status)"
    # A crash may leave no line of gtest's: then the log's tail says what happened.
    grep -aE "Failure|FAILED|error" "$CHECK/$program.log" | head -30 || tail -20 "$CHECK/$program.log"
    failed+=("$program")
  fi
done
# The live runs through the program's start-up: one test a process (the singletons allow
# one run), each bounded in time.
live=$BUILD/tests/live_show_tests.exe
[ -f "$live" ] || fail "live_show_tests.exe was not built"
for test in $(timeout 120 wine "$live" --gtest_list_tests 2> /dev/null | tr -d '\r' | awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}'); do
  start=$(date +%s)
  status=0
  timeout 300 wine "$live" --gtest_filter="$test" --gtest_brief=1 > "$CHECK/live-$test.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    echo "  live_show_tests $test: passed ($(($(date +%s) - start)) s)"
  else
    [ "$status" -eq 124 ] && echo "  live_show_tests $test: TIMED OUT after 300 s" || echo "  live_show_tests $test: FAILED (exit $status)"
    grep -aE "Failure|FAILED|error" "$CHECK/live-$test.log" | head -30 || tail -20 "$CHECK/live-$test.log"
    failed+=("live_show_tests $test")
  fi
done
[ ${#failed[@]} -eq 0 ] || fail "test programs failed under Wine: ${failed[*]}"

MARLO=$BUILD/app/marlo.exe
# A GUI program, which opens no console window beside the show; its output and traces
# still reach the streams it is given (the checks below read them).
subsystem=$(x86_64-w64-mingw32-objdump -p "$MARLO" | sed -n 's/^Subsystem[[:space:]]*//p')
case "$subsystem" in
  *"(Windows GUI)") ;;
  *) fail "marlo.exe is not a GUI program (subsystem: ${subsystem:-none})" ;;
esac
nosound=$(timeout 120 wine "$MARLO" --help 2> /dev/null | sed -n 's/.*Sound devices:.* \([0-9][0-9]*\) No sound.*/\1/p')
[ -n "$nosound" ] || fail "marlo.exe --help lists no \"No sound\" device"

step "the show, windowed at 800x600x32, to its end (134 s)"
timeout 400 wine "$MARLO" --windowed --mode 800x600x32 --device "$nosound" --no-error-box --data "$(winepath "$NATIVE/app/data")" \
  > "$CHECK/show.log" 2>&1 &
show=$!
# While it plays: where its window is, and two screenshots, with the model (5 s) and
# after the model's section, when the frame is the clear colour alone. The second is timed
# by the show's own clock: the model's section ends with an "end: T" trace at T = 60000 ms
# of show time, which a loaded machine may reach well after 60 s.
geometry=""
for _ in $(seq 300); do
  geometry=$(xwininfo -root -tree 2> /dev/null | grep '"Marlo!!!"' | head -1 || true)
  [ -n "$geometry" ] && break
  sleep 0.1
done
sleep 5
import -window root "$CHECK/show-5s.png"
shown_until() {
  tr -d '\r' < "$CHECK/show.log" | awk -v t="$1" '/^Debug: end: [0-9]+$/ && $3 + 0 >= t { found = 1 } END { exit !found }'
}
for _ in $(seq 2000); do
  shown_until 60000 && break
  kill -0 "$show" 2> /dev/null || break
  sleep 0.2
done
shown_until 60000 || { tail -20 "$CHECK/show.log"; fail "the show never traced the end of the model's section (end: 60000)"; }
sleep 2
import -window root "$CHECK/show-after-model.png"
status=0
wait "$show" || status=$?
[ "$status" -ne 124 ] || { tail -20 "$CHECK/show.log"; fail "the show ran past 400 s (it ends at 134 s)"; }
[ "$status" -eq 0 ] || { tail -20 "$CHECK/show.log"; fail "the show ended with exit code $status"; }
[ -n "$geometry" ] || fail "no window titled \"Marlo!!!\" appeared"

# The traces: the registry's Win32 implementations first, then KestLib, then the GL found.
expected="Debug: Implementation 'class _KL::CCoinManager1' for 'class KL::ICoinManager' defined.
Debug: Implementation 'class _KL::Hacking::CSystemController_Win32' for 'class KL::Hacking::ISystemController' defined.
Debug: Implementation 'class _KL::CBitmap' for 'class KL::IBitmap' defined.
Debug: Implementation 'class _KL::WindowWin32' for 'class KL::Window' defined.
Debug: KestLib Initialized"
[ "$(head -5 "$CHECK/show.log" | tr -d '\r')" = "$expected" ] ||
  { head -8 "$CHECK/show.log"; fail "the show's first traces are not the registry's Win32 implementations"; }
grep -q "^Debug: Found: '" "$CHECK/show.log" || fail "the show traced no OpenGL context"
if grep -q "ERROR" "$CHECK/show.log"; then grep "ERROR" "$CHECK/show.log" | head; fail "the show reported errors"; fi
# After the model's section the client area is the clear colour (0.3, 0.3, 0.6) alone: read
# back from the screen, it fills exactly 800 by 600 pixels from 10, 30, and the pixels just
# outside are the window's frame.
echo "  window: $geometry"
pixel() { convert "$CHECK/show-after-model.png" -format "%[fx:int(255*p{$1}.r)],%[fx:int(255*p{$1}.g)],%[fx:int(255*p{$1}.b)]" info:; }
for corner in 10,30 809,30 10,629 809,629 410,330; do
  case "$(pixel $corner)" in
    7[5-8],7[5-8],15[2-4]) ;;
    *) fail "the client area at $corner is $(pixel $corner) after the model's section, not the clear colour" ;;
  esac
done
for outside in 9,29 810,630; do
  case "$(pixel $outside)" in
    7[5-8],7[5-8],15[2-4]) fail "the clear colour reaches $outside: the client area is not 800 by 600 at 10, 30" ;;
  esac
done
echo "  clear colour read back over the client area, 800 by 600 at 10, 30: $(pixel 410,330)"

step "the same captures under Wine and on Linux"
# The show at the reference frames' size, and the showcase, which draws random numbers and
# lights its model per pixel: frame by frame within the reference frames' tolerance.
capture_both() {
  local name=$1
  shift
  # (A sanitized native build checks its leaks in the tests, not here.)
  ASAN_OPTIONS=detect_leaks=0 "$NATIVE/app/marlo" --capture "$CHECK/$name-linux" "$@" > "$CHECK/$name-linux.log" 2>&1 ||
    { tail "$CHECK/$name-linux.log"; fail "the Linux capture of the $name failed"; }
  timeout 600 wine "$MARLO" --capture "$(winepath "$CHECK/$name-wine")" "$@" --data "$(winepath "$NATIVE/app/data")" \
    > "$CHECK/$name-wine.log" 2>&1 || { tail "$CHECK/$name-wine.log"; fail "the capture of the $name under Wine failed or ran past 600 s"; }
  "$NATIVE/tests/compare_frames" "$CHECK/$name-linux" "$CHECK/$name-wine" | sed "s/^/  $name: /" ||
    fail "the capture of the $name under Wine differs from Linux's"
  if cmp -s "$CHECK/$name-linux/soundtrack.wav" "$CHECK/$name-wine/soundtrack.wav"; then
    echo "  $name: soundtracks identical"
  else
    echo "  $name: soundtracks differ (a mixer's rounding may)"
  fi
}
capture_both show --until 30 --fps 2 --mode 640x480x32
capture_both showcase --show showcase --until 40 --fps 1 --mode 512x384x32

pack_zip
