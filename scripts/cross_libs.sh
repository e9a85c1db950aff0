#!/usr/bin/env bash
# Builds the libraries the Windows DLLs and their tests link, once per target, into a cache
# outside the repository: libpng from Debian's own source package of this release, and
# GoogleTest from the sources Debian ships in the googletest package. zlib comes prebuilt
# (libz-mingw-w64-dev). A second run finds the stamps and returns at once.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${ZARNITH_CACHE:-$HOME/.cache/zarnith}"
jobs=$(nproc)

# The newest libpng1.6 source of this release (needs the deb-src entry that setup.sh adds).
png_version=$(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -V | tail -1)
[ -n "$png_version" ] || { echo "cross_libs: no source package libpng1.6 (deb-src missing?)" >&2; exit 1; }
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
src="$cache/src"
mkdir -p "$src"

unpack_libpng() {
  local dir="$src/libpng-$png_version"
  if [ ! -f "$dir/CMakeLists.txt" ]; then
    local work="$src/download"
    rm -rf "$work" && mkdir -p "$work"
    # The exact version of this release's libpng, with Debian's patches applied.
    (cd "$work" && apt-get source -qq "libpng1.6=$png_version" >/dev/null 2>&1)
    local unpacked
    unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'libpng*' | head -1)
    [ -n "$unpacked" ] || { echo "cross_libs: could not unpack libpng1.6 $png_version" >&2; exit 1; }
    rm -rf "$dir" && mv "$unpacked" "$dir" && rm -rf "$work"
  fi
  echo "$dir"
}

build_target() {
  local triple=$1
  local toolchain="$root/cmake/toolchain-mingw-${triple%%-*}.cmake"
  local prefix="$cache/$triple"
  local stamp="$prefix/.built"
  local want="libpng $png_version googletest $gtest_version gcc $(${triple}-gcc-posix -dumpfullversion)"
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then return; fi
  echo "cross_libs: building libpng and GoogleTest for $triple into $prefix" >&2
  rm -rf "$prefix" && mkdir -p "$prefix"
  local build="$cache/build-$triple"
  local common=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
                -DCMAKE_INSTALL_PREFIX="$prefix" -DZARNITH_TARGET_PREFIX="$prefix")

  rm -rf "$build" && mkdir -p "$build"
  cmake -S "$(unpack_libpng)" -B "$build/libpng" "${common[@]}" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON \
    -DCMAKE_C_FLAGS="-ffp-contract=off" >/dev/null
  cmake --build "$build/libpng" -j"$jobs" --target install >/dev/null

  cmake -S /usr/src/googletest -B "$build/googletest" "${common[@]}" -DBUILD_GMOCK=OFF \
    -DCMAKE_CXX_FLAGS="-static-libgcc -static-libstdc++" >/dev/null
  cmake --build "$build/googletest" -j"$jobs" --target install >/dev/null
  rm -rf "$build"
  echo "$want" >"$stamp"
}

build_target x86_64-w64-mingw32
build_target i686-w64-mingw32
