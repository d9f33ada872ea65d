#!/usr/bin/env bash
# Times the Auto Split and Save All dialogs (offscreen) on a generated album:
# each run to the end, the first visible progress, the longest the window went
# without handling events, and how long Cancel takes to end each dialog.
#
#   bench/bench_dialogs.sh [MINUTES] [CANCEL_AFTER_MS]
#
# Defaults: 60 minutes; Cancel is clicked halfway through the time the same
# dialog took to the end.
#
# Environment: BUILD (default build/bench-ui-rel, a Release build with the window
# program), WORK (default /tmp/sundra-bench, kept so the album is made once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
cancel_after=${2:-}
build=${BUILD:-$root/build/bench-ui-rel}
work=${WORK:-/tmp/sundra-bench}
mkdir -p "$work"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUNDRA_BUILD_TESTS=OFF \
        >/dev/null
fi
cmake --build "$build" --target sundra-cli bench_dialogs >/dev/null

album="$work/album-$minutes.wav"
if [ ! -f "$album" ]; then
    "$build/cli/sundra-cli" make-album "$album" --minutes "$minutes" >/dev/null
fi
out="$work/dialogs-out"
rm -rf "$out" && mkdir -p "$out"
cat "$album" >/dev/null # warm the page cache

echo "album: $album ($(du -m "$album" | cut -f1) MB, $minutes minutes)"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/bench_dialogs" "$album" "$out" \
    ${cancel_after:+"$cancel_after"}
echo "files written by the last two runs: $(find "$out" -type f | wc -l)"
rm -rf "$out"
