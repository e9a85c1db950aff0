#!/usr/bin/env bash
# Builds the plug-in and shows it to a host: what a scan sees.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target zarnith zarnith-host
./build/tools/zarnith-host info build/zarnith.so "$@"
