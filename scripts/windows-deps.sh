#!/usr/bin/env bash
# Cross-builds the libraries the Windows program links (libpng, libopenmpt, GoogleTest)
# from Debian's source packages with the mingw-w64 -posix compilers, into a prefix kept
# outside the checkout. The prefix is named by the package versions and this script, so a
# warm run is a check; a cold one takes about a quarter of an hour on two cores.
# Prints the prefix on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

HOST=x86_64-w64-mingw32
SOURCES=(libpng1.6 libopenmpt googletest)
CACHE=${MARLO_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/marlo/windows-deps}
JOBS=${JOBS:-$(nproc)}

# One build at a time per cache: a second run waits for the first and then finds its prefix.
mkdir -p "$CACHE"
exec 9> "$CACHE/.lock"
flock 9

# The source packages come from the same suites as the binary ones. apt reads them
# through a configuration of this cache's own (deb-src twins of the system's entries, in
# either the one-line or the deb822 form, with their own package lists), so the
# system's apt configuration and lists stay as they were.
APT_DIR="$CACHE/apt"
mkdir -p "$APT_DIR/sources.list.d" "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial"
rm -f "$APT_DIR"/sources.list "$APT_DIR"/sources.list.d/*
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] || continue
  sed -n -e 's/^[[:space:]]*deb\([[:space:]]\)/deb-src\1/p' "$list" >> "$APT_DIR/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] || continue
  sed -e '/^Types:.*[[:space:]]deb\([[:space:]]\|$\)/s/.*/Types: deb-src/' \
    "$sources" > "$APT_DIR/sources.list.d/$(basename "$sources")"
done
touch "$APT_DIR/sources.list"
if [ ! -s "$APT_DIR/sources.list" ] && ! grep -qs '^Types:.*deb-src' "$APT_DIR"/sources.list.d/*.sources; then
  echo "windows-deps: the system's apt configuration names no Debian archive to take source packages from" >&2
  exit 1
fi
APT_OPTIONS=(-o "Dir::Etc::SourceList=$APT_DIR/sources.list" -o "Dir::Etc::SourceParts=$APT_DIR/sources.list.d"
             -o "Dir::State::Lists=$APT_DIR/lists" -o "Dir::Cache=$APT_DIR/cache" -o "APT::Sandbox::User=$(id -un)")
apt_get() { apt-get "${APT_OPTIONS[@]}" "$@"; }
apt_cache() { apt-cache "${APT_OPTIONS[@]}" "$@"; }
# The lists are read again at most once a day.
if [ -z "$(find "$APT_DIR/lists" -maxdepth 1 -name '*Sources*' -mmin -1440 -print -quit)" ]; then
  echo "windows-deps: reading the archive's source package lists"
  apt_get update -qq > "$APT_DIR/update.log" 2>&1 ||
    { tail -20 "$APT_DIR/update.log" >&2; echo "windows-deps: apt could not read the source package lists" >&2; exit 1; }
fi

# The newest version of each that the mirror really serves (a security update may be listed
# before its files arrive); the first run settles it and later ones read it back.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/marlo-windows-deps.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
versions=""
for p in "${SOURCES[@]}"; do
  chosen=""
  for v in $(apt_cache showsrc "$p" | awk '/^Version:/ {print $2}' | sort -rV | uniq); do
    if [ -f "$CACHE/served/$p=$v" ] ||
       (cd "$WORK" && apt_get source -qq --download-only "$p=$v" > /dev/null 2>&1); then
      chosen=$v
      break
    fi
  done
  [ -n "$chosen" ] || { echo "windows-deps: no source package $p could be fetched" >&2; exit 1; }
  versions+="$p=$chosen "
done
compiler=$($HOST-g++-posix --version | head -1)
# GoogleTest is built with the project's toolchain file: it is part of what the prefix holds.
key=$( (echo "$versions"; echo "$compiler"; sed -n '/^# The build itself/,$p' "$0"; cat "$ROOT/cmake/mingw-w64.cmake") | sha256sum | cut -c1-16)
PREFIX="$CACHE/$key"
if [ -f "$PREFIX/.complete" ]; then
  echo "$PREFIX"
  exit 0
fi

# The build itself: what follows, with the versions, the compiler and the toolchain file,
# names the prefix.
echo "windows-deps: building $versions into $PREFIX"
rm -rf "$PREFIX"
mkdir -p "$PREFIX" "$CACHE/served"
cd "$WORK"
# shellcheck disable=SC2086
apt_get source -qq --download-only $versions > "$WORK/fetch.log" 2>&1 ||
  { tail -20 "$WORK/fetch.log" >&2; echo "windows-deps: could not fetch $versions" >&2; exit 1; }
for v in $versions; do touch "$CACHE/served/$v"; done
for dsc in *.dsc; do
  dpkg-source -x --no-check "$dsc" > "$WORK/unpack.log" 2>&1 ||
    { tail -20 "$WORK/unpack.log" >&2; echo "windows-deps: could not unpack $dsc" >&2; exit 1; }
done

export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-ar RANLIB=$HOST-ranlib
export PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig"
# zlib comes from Debian's libz-mingw-w64-dev, under the cross compiler's own sysroot.
ZLIB=/usr/$HOST
FLAGS="-O2"

echo "windows-deps: libpng"
cd "$WORK"/libpng1.6-*/
./configure --host=$HOST --prefix="$PREFIX" --enable-static --disable-shared \
  CFLAGS="$FLAGS" CPPFLAGS="-I$ZLIB/include" LDFLAGS="-L$ZLIB/lib" > "$WORK/libpng.log" 2>&1 ||
  { tail -30 "$WORK/libpng.log" >&2; exit 1; }
make -j"$JOBS" install >> "$WORK/libpng.log" 2>&1 ||
  { tail -30 "$WORK/libpng.log" >&2; exit 1; }

echo "windows-deps: libopenmpt"
cd "$WORK"/libopenmpt-*/
./configure --host=$HOST --prefix="$PREFIX" --enable-static --disable-shared \
  --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
  --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
  --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sdl2 --without-sndfile --without-flac \
  CFLAGS="$FLAGS" CXXFLAGS="$FLAGS" > "$WORK/libopenmpt.log" 2>&1 ||
  { tail -30 "$WORK/libopenmpt.log" >&2; exit 1; }
make -j"$JOBS" install >> "$WORK/libopenmpt.log" 2>&1 || { tail -30 "$WORK/libopenmpt.log" >&2; exit 1; }

echo "windows-deps: googletest"
cd "$WORK"/googletest-*/
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF > "$WORK/googletest.log" 2>&1 ||
  { tail -30 "$WORK/googletest.log" >&2; exit 1; }
cmake --build build -j"$JOBS" >> "$WORK/googletest.log" 2>&1 && cmake --install build >> "$WORK/googletest.log" 2>&1 ||
  { tail -30 "$WORK/googletest.log" >&2; exit 1; }

touch "$PREFIX/.complete"
# Prefixes of other versions or an older script are not used again.
for old in "$CACHE"/*/; do
  [ "${old%/}" = "$PREFIX" ] || [ "${old%/}" = "$CACHE/served" ] || rm -rf "${old%/}"
done
echo "$PREFIX"
