#!/usr/bin/env bash
# Installs every Debian package the project needs, only when something is missing.
set -euo pipefail
packages=(
  build-essential g++-multilib cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libpng-dev zlib1g-dev libfontconfig-dev fonts-liberation
  libx11-dev libxtst-dev xvfb xauth
  libsndfile1-dev nlohmann-json3-dev
  lv2-dev liblilv-dev lilv-utils sordi
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
