#!/usr/bin/env bash
# The main job: builds the plug-in and the command-line host, then renders the
# built-in drum-and-bass loop through the effect into demo.wav (arguments are
# passed on to the renderer, e.g. --program 19 --tempo 174 --out other.wav).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target zarnith zarnith-host
out=demo.wav
for arg in "$@"; do
  case "$arg" in --out|--out=*|-o) out="" ;; esac
done
if [ -n "$out" ]; then
  ./build/tools/zarnith-host render --out "$out" --report "$@"
  echo "demo: wrote $out, the loop through program 0; play it with any audio player (e.g. aplay $out)"
else
  ./build/tools/zarnith-host render --report "$@"
fi
