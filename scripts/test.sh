#!/usr/bin/env bash
# Builds Tickora with its tests in build/ and runs them all, then runs the core tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer (build/sanitize), then fuzzes
# the file readers for 30 seconds each (build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DTICKORA_GUI=OFF -DTICKORA_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/sanitize --output-on-failure -j"$jobs"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

bash fuzz/run.sh 30
