#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build/fuzz and runs each for SECONDS (default 30) on its corpus: the seeds committed in
# fuzz/corpus/<target>/ and what earlier runs found, kept in build/fuzz/corpus/<target>/.
# A crash leaves its input in build/fuzz/artifacts/<target>/ and fails the script.
#   fuzz/run.sh [SECONDS] [TARGET...]   targets: state_file settings_file png wav
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(state_file settings_file png wav)

build=build/fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DTICKORA_FUZZ=ON -DTICKORA_GUI=OFF -DTICKORA_TESTS=OFF -DTICKORA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1
             -artifact_prefix="$artifacts/")
    case "$target" in
        png) options+=(-dict=fuzz/png.dict) ;;
        wav) options+=(-dict=fuzz/wav.dict -max_len=16384 -close_fd_mask=2) ;;
    esac
    echo "== $target: $seconds s"
    if ! "$build/fuzz/fuzz_$target" "${options[@]}" "$corpus" "fuzz/corpus/$target" \
            >"$build/$target.log" 2>&1; then
        failed+=("$target")
        tail -n 60 "$build/$target.log"
    fi
    grep -E '^stat::number_of_executed_units|^#[0-9]+ +DONE' "$build/$target.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/artifacts/)" >&2
    exit 1
fi
