#!/usr/bin/env bash
# Checks the Debian package as a user gets it. Makes it (scripts/package.sh), lints it,
# lists it, unpacks it into a temporary root (nothing is installed) and checks the desktop
# entry and the manual page there; then runs the unpacked program from outside the source
# tree without --data: --version names the package's version, and a short capture is byte
# for byte the same capture made by the program of the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE=$(pwd)

# The zip is left to the Windows job, which the test command runs next and which tests
# the program it packs.
MARLO_PACKAGE_WINDOWS=0 scripts/package.sh
BUILD=$SOURCE/${PACKAGE_BUILD_DIR:-build-pkg}
DEB=$(ls "$SOURCE/${DIST_DIR:-dist}"/marlo_*_amd64.deb)
VERSION=$(dpkg-deb -f "$DEB" Version)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "check-package: lintian $(basename "$DEB")"
lintian --fail-on error,warning "$DEB" || fail "lintian found errors or warnings"

# lintian checks that each icon has its folder's size; here, that every size is there.
listing=$(dpkg-deb -c "$DEB" | awk '{print $NF}')
for path in ./usr/games/marlo ./usr/share/marlo/4beat.xm ./usr/share/marlo/files/geometry/icosa.kd10s \
  ./usr/share/marlo/Files/Fonts/Tahoma.KEF ./usr/share/marlo/shows/default.toml \
  ./usr/share/applications/marlo.desktop ./usr/share/icons/hicolor/{32x32,48x48,64x64,256x256}/apps/marlo.png \
  ./usr/share/man/man6/marlo.6.gz ./usr/share/doc/marlo/copyright ./usr/share/doc/marlo/changelog.gz; do
  grep -qxF "$path" <<< "$listing" || fail "$path is not in the package"
done

ROOT=$TMP/root
dpkg-deb -x "$DEB" "$ROOT"
desktop-file-validate "$ROOT/usr/share/applications/marlo.desktop" || fail "the desktop entry is not valid"
# The manual page renders without a warning from man or groff, as lintian reads it.
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
  man --warnings -E UTF-8 -l -Tutf8 -Z "$ROOT/usr/share/man/man6/marlo.6.gz" 2>&1 > /dev/null)
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"

# From an empty folder outside the source tree, so that the data can only be found from
# the program's own place.
mkdir "$TMP/run"
cd "$TMP/run"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
"$ROOT/usr/games/marlo" --version > version.txt 2> version.log || { cat version.log; fail "marlo --version failed"; }
[ "$(head -n 1 version.txt)" = "marlo $VERSION" ] || fail "marlo --version says \"$(head -n 1 version.txt)\", the package $VERSION"
for library in SDL libopenmpt libpng; do
  grep -qE "^$library [0-9]+\.[0-9]+\.[0-9]+$" version.txt || fail "marlo --version names no $library version"
done
"$ROOT/usr/games/marlo" --capture unpacked --until 2 2> unpacked.log || { cat unpacked.log; fail "the unpacked capture failed"; }
"$BUILD/app/marlo" --capture built --until 2 2> built.log || { cat built.log; fail "the build folder's capture failed"; }
# Ticks 0 to 50: the last is the first that reaches 2 s.
[ -f unpacked/frame_000050.png ] && [ -f unpacked/soundtrack.wav ] || fail "the unpacked capture is not 2 s"
diff -rq built unpacked || fail "the unpacked program captures differently from the build folder's"
echo "check-package: $(basename "$DEB"): lintian clean, marlo $VERSION, $(ls unpacked | wc -l) capture files identical"
