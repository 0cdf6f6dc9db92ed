#!/usr/bin/env bash
# Builds, for the Windows cross-build, static mingw-w64 copies of the libraries the core links
# (libjpeg-turbo, libpng, giflib, libwebp, libimagequant) and GoogleTest, into PREFIX:
#   scripts/build-windows-deps.sh PREFIX
# The sources are Debian's own source packages, fetched with the ordinary `apt-get source` through
# a private apt configuration whose source entries are the machine's Debian entries turned into
# deb-src ones; zlib is Debian's libz-mingw-w64-dev, GoogleTest comes from /usr/src/googletest.
# Only the static libraries are built: no tools, tests or documentation. Each library's Debian
# copyright file lands in PREFIX/share/licenses/ for the Windows zip. A PREFIX that already holds
# what this version of the script builds is left as it is.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
mkdir -p "$1"
prefix="$(cd "$1" && pwd)"
jobs="$(nproc)"
triplet=x86_64-w64-mingw32
toolchain="$root/cmake/mingw64.cmake"

stamp="$prefix/.felmo-windows-deps"
# The stamp names what was built by the contents of this script and the toolchain file, so a
# prefix built from another checkout of the same version is reused.
recipe="$(cat "$0" "$toolchain" | sha256sum | cut -d' ' -f1)"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; then
  echo "Windows libraries already in $prefix"
  exit 0
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/felmo-windows-deps.XXXXXX")"
# A failed fetch leaves the builds already started to finish before their folder goes.
trap 'wait; rm -rf "$work"' EXIT

# A private apt: the machine's Debian entries as deb-src, its own lists and cache; the machine's
# apt state is not touched.
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
found_entry=no
for entry in /etc/apt/sources.list.d/*.sources; do
  [ -f "$entry" ] || continue
  grep -q '^Types:.*\bdeb\b' "$entry" || continue
  sed -E 's/^Types:.*/Types: deb-src/' "$entry" > "$apt_dir/sources/$(basename "$entry")"
  found_entry=yes
done
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] || continue
  grep -E '^deb ' "$list" | sed 's/^deb /deb-src /' > "$apt_dir/sources/$(basename "$list")" || true
  [ -s "$apt_dir/sources/$(basename "$list")" ] && found_entry=yes
done
[ "$found_entry" = yes ] || { echo "No Debian package source found under /etc/apt" >&2; exit 1; }
apt_options=(-q -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/sources"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o APT::Sandbox::User="$(id -un)")

# fetch PACKAGE: unpacks Debian's source package (patches applied) into $work/src/PACKAGE-*; a
# version missing from one mirror is taken from the next newest the lists name.
fetch() {
  local package="$1" version
  mkdir -p "$work/src"
  for version in "" $(apt-cache "${apt_options[@]}" showsrc "$package" \
      | sed -n 's/^Version: //p' | sort -Vr | uniq); do
    if (cd "$work/src" && apt-get "${apt_options[@]}" source --only-source \
        "$package${version:+=$version}" >/dev/null 2>"$work/fetch.log"); then
      return 0
    fi
  done
  cat "$work/fetch.log" >&2
  echo "Could not fetch the source of $package" >&2
  exit 1
}

source_dir() { find "$work/src" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n1; }

licence() {
  mkdir -p "$prefix/share/licenses/$1"
  cp "$2" "$prefix/share/licenses/$1/copyright"
}

cmake_build() {
  local source="$1" build="$2"
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DFELMO_WINDOWS_DEPS="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DBUILD_SHARED_LIBS=OFF "$@"
}

# Plain C sources compiled straight into one archive, for the libraries whose own build makes
# tools or shared libraries besides.
archive() {
  local name="$1" source="$2" flags="$3"
  shift 3
  local objects=() file
  mkdir -p "$work/obj/$name"
  for file in "$@"; do
    # shellcheck disable=SC2086
    $triplet-gcc-posix $flags -O2 -DNDEBUG -c "$source/$file" -o "$work/obj/$name/${file%.c}.o" &
    objects+=("$work/obj/$name/${file%.c}.o")
  done
  wait
  mkdir -p "$prefix/lib"
  rm -f "$prefix/lib/lib$name.a"
  $triplet-ar rcs "$prefix/lib/lib$name.a" "${objects[@]}"
}

# Each library builds in the background as soon as its source is in, while the next source is
# fetched; GoogleTest, which needs no fetching, starts at once. Every step says how long it took.
mkdir -p "$work/log" "$prefix/include" "$prefix/lib/pkgconfig"
steps=()
step() {
  local name="$1"
  shift
  (
    TIMEFORMAT="== $name: %R s wall, %U s user, %S s system"
    time {
      set +e
      (set -e; "$@") >"$work/log/$name" 2>&1
      status=$?
      set -e
      if [ $status -ne 0 ]; then
        cat "$work/log/$name" >&2
        echo "Building $name for Windows failed" >&2
        exit $status
      fi
    }
  ) &
  steps+=($!)
}

build_jpeg() {
  local src
  src="$(source_dir libjpeg-turbo)"
  cmake_build "$src" "$work/build/jpeg" -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
  cmake --build "$work/build/jpeg" -j "$jobs" --target jpeg-static
  cp "$work/build/jpeg/libjpeg.a" "$prefix/lib/"
  cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/build/jpeg/jconfig.h" \
    "$prefix/include/"
  licence libjpeg-turbo "$src/debian/copyright"
}

build_png() {
  local src
  src="$(source_dir libpng1.6)"
  cmake_build "$src" "$work/build/png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=ON -Dld-version-script=OFF
  cmake --build "$work/build/png" -j "$jobs" --target png_static
  cp "$work/build/png/libpng16.a" "$prefix/lib/"
  cp "$prefix/lib/libpng16.a" "$prefix/lib/libpng.a"
  cp "$src/png.h" "$src/pngconf.h" "$work/build/png/pnglibconf.h" "$prefix/include/"
  licence libpng "$src/debian/copyright"
}

build_gif() {
  local src
  src="$(source_dir giflib)"
  archive gif "$src" "-std=gnu99" dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c \
    gif_hash.c openbsd-reallocarray.c quantize.c
  cp "$src/gif_lib.h" "$prefix/include/"
  licence giflib "$src/debian/copyright"
}

build_webp() {
  local src tool webp_off=()
  src="$(source_dir libwebp)"
  for tool in ANIM_UTILS CWEBP DWEBP GIF2WEBP IMG2WEBP VWEBP WEBPINFO WEBPMUX EXTRAS; do
    webp_off+=("-DWEBP_BUILD_$tool=OFF")
  done
  cmake_build "$src" "$work/build/webp" "${webp_off[@]}" -DWEBP_BUILD_LIBWEBPMUX=ON
  cmake --build "$work/build/webp" -j "$jobs"
  cmake --install "$work/build/webp"
  licence libwebp "$src/debian/copyright"
}

build_imagequant() {
  local src
  src="$(source_dir libimagequant)"
  archive imagequant "$src" "-std=c99 -DUSE_SSE=1 -msse2 -mfpmath=sse -Wno-attributes -I$src" \
    libimagequant.c blur.c mediancut.c mempool.c nearest.c pam.c kmeans.c
  cp "$src/libimagequant.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/imagequant.pc" <<PC
prefix=$prefix
includedir=\${prefix}/include
libdir=\${prefix}/lib

Name: imagequant
Description: Palettes for RGBA images
Version: $(cat "$src/version.txt" 2>/dev/null || echo 2)
Libs: -L\${libdir} -limagequant
Cflags: -I\${includedir}
PC
  licence libimagequant "$src/debian/copyright"
}

# GoogleTest without GoogleMock, which no test uses.
build_gtest() {
  cmake_build /usr/src/googletest "$work/build/gtest" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
  cmake --build "$work/build/gtest" -j "$jobs"
  cmake --install "$work/build/gtest"
}

step GoogleTest build_gtest
echo "== package sources ($SECONDS s)"
apt-get "${apt_options[@]}" update >/dev/null
# The longest builds first.
for library in libjpeg-turbo:jpeg libwebp:webp libpng1.6:png libimagequant:imagequant giflib:gif; do
  echo "== fetching ${library%%:*} ($SECONDS s)"
  fetch "${library%%:*}"
  step "${library%%:*}" "build_${library#*:}"
done
failed=no
for pid in "${steps[@]}"; do
  wait "$pid" || failed=yes
done
[ "$failed" = no ] || exit 1

# The runtimes linked in statically: zlib, and GCC's and mingw-w64's own.
licence zlib /usr/share/doc/libz-mingw-w64-dev/copyright
licence gcc-runtime /usr/share/doc/gcc-mingw-w64-base/copyright
licence mingw-w64-runtime /usr/share/doc/mingw-w64-common/copyright

echo "$recipe" > "$stamp"
echo "Windows libraries in $prefix ($SECONDS s)"
