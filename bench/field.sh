#!/usr/bin/env bash
# Reproduces the field-conditions table: 120 readings of synthesised watches (18000, 21600 and
# 28800 bph) with every filter, noise from 40 to 15 dB below the ticks, on a bare microphone
# and on a ringing case with echoes, rumble, hum and knocks; 45 s each. Options are passed on
# to tickora-field (--seconds S, --seeds FIRST for other noise and start times, --shapes
# report|tuning|builtin, --filters for every filter on the same sounds, --verbose).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTICKORA_GUI=OFF -DTICKORA_TESTS=OFF \
      -DTICKORA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target tickora-field >/dev/null
"$build"/bench/dsp/tickora-field "$@"
