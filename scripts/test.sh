#!/usr/bin/env bash
# The project's test command. Installs what is missing, then builds each variant once and
# runs its tests, warnings as errors in every build:
#   1. build/          GCC, RelWithDebInfo: every test
#   2. build/package   GCC, Release: the Debian package, installed and checked
#   3. build/sanitize  clang, AddressSanitizer + UndefinedBehaviorSanitizer: every test
#                      but the real-desktop ones (label "desktop")
#   4. build/tsan      clang, ThreadSanitizer: the audio and threading tests
#   5. build/fuzz      clang, the file readers fuzzed for 30 seconds each
# TICKORA_TEST_ONLY=name[,name] runs only those variants (main, package, sanitize, tsan,
# fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
only=",${TICKORA_TEST_ONLY:-main,package,sanitize,tsan,fuzz},"
started=$SECONDS
ran=0
variant() { # variant NAME: whether to run it, announced with the time so far
    [[ $only == *",$1,"* ]] || return 1
    ran=$((ran + 1))
    echo "== $1 (at $((SECONDS - started)) s)"
}

if variant main; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_TESTS=ON \
        -DTICKORA_WERROR=ON "${launcher[@]}" >/dev/null
    cmake --build build -j"$jobs"
    ctest --test-dir build --output-on-failure -j"$jobs"
fi

if variant package; then
    bash scripts/package.sh -DTICKORA_WERROR=ON "${launcher[@]}"
    bash packaging/check-package.sh build/package/tickora_*.deb
fi

# Sanitizer builds: clang, so that they also show the code compiles warning-free with it.
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp
if variant sanitize; then
    cmake -S . -B build/sanitize -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
        -DTICKORA_SANITIZE=ON -DTICKORA_WERROR=ON -DTICKORA_TESTS=ON "${launcher[@]}" >/dev/null
    cmake --build build/sanitize -j"$jobs"
    ctest --test-dir build/sanitize --output-on-failure -j"$jobs" -LE desktop
fi

if variant tsan; then
    cmake -S . -B build/tsan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
        -DTICKORA_TSAN=ON -DTICKORA_WERROR=ON -DTICKORA_TESTS=ON "${launcher[@]}" >/dev/null
    tsan_tests=(audio_capture_test audio_capture_failure_test audio_threaded_input_test
                audio_system_inputs_test audio_simulated_watch_test audio_sound_card_test)
    cmake --build build/tsan -j"$jobs" --target "${tsan_tests[@]}"
    ctest --test-dir build/tsan --output-on-failure -j"$jobs" \
        -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$"
fi

if variant fuzz; then
    bash fuzz/run.sh 30
fi
echo "== all variants passed in $((SECONDS - started)) s"
echo "variants: $ran passed, 0 failed"
