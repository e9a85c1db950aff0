#!/usr/bin/env bash
# Builds the plug-ins and installs them where Linux hosts look for them:
#   scripts/install.sh            per user: ~/.vst, ~/.clap, ~/.lv2
#   scripts/install.sh --system   for everyone: /usr/local/lib/vst, /usr/lib/clap,
#                                 /usr/local/lib/lv2 (through sudo when not root)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "" | --user) scope=user ;;
  --system) scope=system ;;
  *)
    echo "usage: scripts/install.sh [--user|--system]" >&2
    exit 2
    ;;
esac
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target zarnith_plugins
SUDO=""
if [ "$scope" = system ] && [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
$SUDO env ZARNITH_INSTALL_SCOPE="$scope" HOME="$HOME" cmake --install build
