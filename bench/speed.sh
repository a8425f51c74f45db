#!/usr/bin/env bash
# Measures the analysis' speed with Google Benchmark: an hour of sound through the whole test
# path (Narrow filter and none), FinishCalibration after 60 s of settling, and the
# synthesiser. The real-time factor is the 'realtime' counter (seconds of sound per CPU second).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTICKORA_GUI=OFF -DTICKORA_TESTS=OFF \
      -DTICKORA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target dsp_bench >/dev/null
"$build"/bench/dsp/dsp_bench "$@"
