#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. the normal build: every test (engine, threads, devices, window)
#   2. the engine tests again under AddressSanitizer + UndefinedBehaviorSanitizer
#   3. the thread and device tests again under ThreadSanitizer
#   4. a bounded libFuzzer run of the WAV header parser
#   5. the Debian package, built from the normal build and checked as installed
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc)

scripts/install-deps.sh
scripts/check-engine-no-qt.sh
scripts/check-include-layers.sh

export QT_QPA_PLATFORM=offscreen
# Device tests run against a real sound server that this script starts; a test
# that finds no sound device then fails instead of skipping.
source scripts/sound-server.sh
start_sound_server
trap stop_sound_server EXIT

passed=0
failed=0
count_results() { # log file
    local line
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1 || true)
    if [ -n "$line" ]; then
        local bad total
        bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
}
run_ctest() { # build dir, log name, extra ctest args...
    local dir=$1 log=$2
    shift 2
    local status=0
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@" 2>&1 | tee "$root/build/$log.log" || status=$?
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    count_results "$root/build/$log.log"
    return $status
}

status=0
mkdir -p build

echo "=== normal build"
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$jobs"
run_ctest build/release release || status=1

echo "=== engine under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSUNDRA_BUILD_UI=OFF \
    -DSUNDRA_BUILD_BENCH=OFF -DSUNDRA_SANITIZER=address >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build/asan asan -L engine || status=1

echo "=== threads and devices under ThreadSanitizer"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSUNDRA_BUILD_UI=OFF \
    -DSUNDRA_BUILD_BENCH=OFF -DSUNDRA_SANITIZER=thread >/dev/null
cmake --build build/tsan -j "$jobs"
if ctest --test-dir build/tsan -N -L threads | grep -q 'Total Tests: [1-9]'; then
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp" run_ctest build/tsan tsan -L threads || status=1
fi

if [ -f fuzz/fuzz_wave_header.cpp ]; then
    echo "=== fuzzing the WAV header parser"
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSUNDRA_BUILD_UI=OFF -DSUNDRA_BUILD_TESTS=OFF -DSUNDRA_BUILD_BENCH=OFF -DSUNDRA_FUZZ=ON >/dev/null
    cmake --build build/fuzz -j "$jobs" --target fuzz_wave_header
    if fuzz/run-fuzz.sh build/fuzz/fuzz/fuzz_wave_header "${SUNDRA_FUZZ_SECONDS:-60}"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        status=1
    fi
fi

echo "=== the Debian package"
if scripts/check-package.sh build/release; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
    status=1
fi

echo "tests: $passed passed, $failed failed"
exit $status
