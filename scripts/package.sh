#!/usr/bin/env bash
# Makes the release files in dist/ (DIST_DIR moves it): the Debian package
# marlo_VERSION_amd64.deb, built by CPack from a Release build of its own in build-pkg
# (PACKAGE_BUILD_DIR moves it) without the tests and benchmarks, and the Windows zip
# marlo-windows.zip. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
BUILD=${PACKAGE_BUILD_DIR:-build-pkg}
DIST=${DIST_DIR:-dist}
mkdir -p "$BUILD" "$DIST"
# Debian's hardening flags (stack protection, fortified C library calls, read-only
# relocations bound at start), as its own packages are built; Release adds -O3 after them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { echo "$(dpkg-buildflags --get "$1") $(dpkg-buildflags --get CPPFLAGS)"; }
# The program in /usr/games, as Debian keeps games and demos; its data in /usr/share/marlo.
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DMARLO_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(flags CFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games > "$BUILD/configure.log" 2>&1 ||
  { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -j"$(nproc)"
rm -rf "$BUILD/cpack"
cpack --config "$BUILD/CPackConfig.cmake" -B "$BUILD/cpack" > "$BUILD/cpack.log" 2>&1 ||
  { cat "$BUILD/cpack.log"; exit 1; }
rm -f "$DIST"/marlo_*.deb
cp "$BUILD"/cpack/marlo_*.deb "$DIST/"
echo "package: $(ls "$DIST"/marlo_*.deb)"

# The Windows zip: marlo.exe cross-built (scripts/windows.sh --zip-only, in its own build
# folder), with this build's data. MARLO_PACKAGE_WINDOWS=0 leaves it out.
if [ "${MARLO_PACKAGE_WINDOWS:-1}" = 1 ]; then
  NATIVE_BUILD_DIR=$BUILD DIST_DIR=$DIST scripts/windows.sh --zip-only
fi
