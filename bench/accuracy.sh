#!/usr/bin/env bash
# Reproduces the accuracy table: the analyser's path over synthesised watches of every beat
# rate, rates -60 ... +60 s/d, amplitudes 180 ... 320 degrees, beat errors 0 ... 3 ms and
# noise from none to 20 dB below the ticks. Options are passed on to tickora-accuracy
# (--quick, --filter none|wide|medium|narrow, --period S, --noise DB,DB..., --shapes SET,
# --seeds FIRST, --csv FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTICKORA_GUI=OFF -DTICKORA_TESTS=OFF \
      -DTICKORA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target tickora-accuracy >/dev/null
"$build"/bench/dsp/tickora-accuracy "$@"
