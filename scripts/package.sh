#!/usr/bin/env bash
# Makes the archives users download, from the build folders of scripts/test.sh (configured and
# built here when missing): dist/zarnith-VERSION-windows.zip with both DLLs (x86 for 32-bit
# hosts, x64 for 64-bit hosts) and dist/zarnith-VERSION-linux-x86_64.tar.gz. Binaries are stripped.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
version=$(sed -n 's/^project(zarnith VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }

build() {  # folder, extra configure arguments...
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" --target zarnith >/dev/null
}
build build
build build-mingw32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
build build-mingw64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

win="$stage/zarnith-$version-windows"
mkdir -p "$win/x86" "$win/x64"
i686-w64-mingw32-strip -o "$win/x86/zarnith.dll" build-mingw32/zarnith.dll
x86_64-w64-mingw32-strip -o "$win/x64/zarnith.dll" build-mingw64/zarnith.dll
cat >"$win/INSTALL.txt" <<NOTE
Zarnith $version for Windows

x86\\zarnith.dll  for 32-bit hosts (and 32-bit hosts running on 64-bit Windows)
x64\\zarnith.dll  for 64-bit hosts

Copy the one that matches your host into the plug-in folder its settings name (often
C:\\Program Files\\VstPlugins), then let the host scan its plug-ins again. The DLL
needs nothing else: no runtime to install.
NOTE
sed -i 's/$/\r/' "$win/INSTALL.txt"
rm -f "dist/zarnith-$version-windows.zip"
(cd "$stage" && zip -qr -X "$OLDPWD/dist/zarnith-$version-windows.zip" "zarnith-$version-windows")

linux="$stage/zarnith-$version-linux-x86_64"
mkdir -p "$linux"
strip -o "$linux/zarnith.so" build/zarnith.so
cat >"$linux/INSTALL.txt" <<NOTE
Zarnith $version for Linux (x86_64)

Copy zarnith.so into a folder your host scans for plug-ins of this interface
(for example ~/.vst), then let the host scan its plug-ins again.
NOTE
tar -C "$stage" -czf "dist/zarnith-$version-linux-x86_64.tar.gz" "zarnith-$version-linux-x86_64"
echo "dist/zarnith-$version-windows.zip"
echo "dist/zarnith-$version-linux-x86_64.tar.gz"
