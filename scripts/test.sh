#!/usr/bin/env bash
# Builds everything and runs every test: the plain build under a virtual X
# display, then the sanitizer groups (AddressSanitizer+UBSan, ThreadSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZARNITH_SANITIZE=address >/dev/null
cmake --build build-asan -j"$jobs" --target asan_tests
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNITH_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs" --target tsan_tests

export ASAN_OPTIONS=detect_leaks=1
echo "== sanitizer tests (address)"
xvfb-run -a ctest --test-dir build-asan -L asan --output-on-failure --no-tests=ignore
echo "== sanitizer tests (thread)"
TSAN_OPTIONS=halt_on_error=1 xvfb-run -a ctest --test-dir build-tsan -L tsan --output-on-failure --no-tests=ignore
echo "== all tests"
xvfb-run -a ctest --test-dir build --output-on-failure -j"$jobs"
