#!/usr/bin/env bash
# Builds Tickora in build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
if [ -x build/app/tickora ]; then
    exec build/app/tickora
fi
# Before the main window exists: analyse the built-in demo watch.
exec build/tools/tickora-analyze --demo
