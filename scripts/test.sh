#!/usr/bin/env bash
# Builds everything with the sanitizers and warnings as errors, then runs the tests
# headless. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

scripts/setup.sh

BUILD=${BUILD_DIR:-build-test}
# The configure log stays inside the build folder, out of the checkout.
mkdir -p "$BUILD"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DMARLO_WERROR=ON -DMARLO_SANITIZE=ON > "$BUILD/configure.log" 2>&1 ||
  { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j"$(nproc)"
cd "$BUILD"
# SDL runs on its offscreen driver; the GTK setup dialog needs an X display, so without
# one the tests run inside a virtual X server.
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run > /dev/null; then
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j"$(nproc)" --timeout 300
else
  ctest --output-on-failure -j"$(nproc)" --timeout 300
fi
cd "$ROOT"
# The parsers' fuzz harnesses, a minute each.
scripts/fuzz.sh
# The Debian package: made, linted, unpacked and run from outside the source tree.
scripts/check-package.sh
# The Windows job: the cross build under Wine, with this build's data and program.
NATIVE_BUILD_DIR=$BUILD scripts/windows.sh
