#!/usr/bin/env bash
# Times the waveform strip's paint (offscreen) on a generated album: the whole
# file in view, one minute, and a close-up drawn from the samples.
#
#   bench/bench_strip_paint.sh [MINUTES] [PAINTS]    (defaults: 60 minutes, 200 paints)
#
# Environment: BUILD (default build/bench-ui-rel, a Release build with the window
# program), WORK (default /tmp/sundra-bench, kept so the album is made once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
paints=${2:-200}
build=${BUILD:-$root/build/bench-ui-rel}
work=${WORK:-/tmp/sundra-bench}
mkdir -p "$work"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUNDRA_BUILD_TESTS=OFF \
        >/dev/null
fi
cmake --build "$build" --target sundra-cli bench_strip_paint >/dev/null

album="$work/album-$minutes.wav"
if [ ! -f "$album" ]; then
    "$build/cli/sundra-cli" make-album "$album" --minutes "$minutes" >/dev/null
fi
cat "$album" >/dev/null # warm the page cache
QT_QPA_PLATFORM=offscreen "$build/bench/bench_strip_paint" "$album" "$paints"
