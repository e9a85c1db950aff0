#!/usr/bin/env bash
# Installs every Debian package the project needs, only when something is missing.
set -euo pipefail
packages=(
  build-essential g++-multilib cmake pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpng-dev zlib1g-dev libfontconfig-dev fonts-liberation
  libx11-dev libxtst-dev xvfb xauth
  libsndfile1-dev nlohmann-json3-dev
  lv2-dev liblilv-dev lilv-utils sordi lv2file
  # The Windows DLLs: cross compilers, wine to run the 64-bit tests, static zlib; libpng and
  # GoogleTest are built for the targets from Debian's sources (scripts/cross_libs.sh).
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 libz-mingw-w64-dev googletest dpkg-dev zip
)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

# libpng for the Windows targets is built from this release's own source package.
sources=/etc/apt/sources.list.d/zarnith-src.sources
updated=0
if [ ! -f "$sources" ]; then
  $SUDO tee "$sources" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $SUDO apt-get update -qq
  updated=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  [ "$updated" -eq 1 ] || $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

bash "$(dirname "$0")/cross_libs.sh"
