#!/usr/bin/env bash
# Measures sundra-cli split with the click filter at 50 ms against the same split
# without it, on a generated album (the album of bench_split.sh). Medians of
# warm-cache runs; the pieces of both are printed so a change shows.
#
#   bench/bench_click_filter.sh [MINUTES] [RUNS]   (defaults: 60 minutes, 7 runs)
#
# Environment: BUILD (default build/bench-rel, configured as a Release build),
# WORK (default a folder under /tmp that is kept, so the album is made once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
runs=${2:-7}
build=${BUILD:-$root/build/bench-rel}
work=${WORK:-/tmp/sundra-bench}
mkdir -p "$work"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUNDRA_BUILD_UI=OFF \
        -DSUNDRA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target sundra-cli >/dev/null
cli="$build/cli/sundra-cli"

album="$work/album-$minutes.wav"
if [ ! -f "$album" ]; then
    "$cli" make-album "$album" --minutes "$minutes" >/dev/null
fi
cat "$album" >/dev/null # warm the page cache

median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure COMMAND...: one warm-up run, then $runs timed runs (wall time in
# milliseconds, from the shell's microsecond clock); prints the median in seconds.
measure() {
    "$@" >/dev/null
    local times=() start end
    for _ in $(seq "$runs"); do
        start=$EPOCHREALTIME
        "$@" >/dev/null
        end=$EPOCHREALTIME
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | median
}

echo "album: $album ($(du -m "$album" | cut -f1) MB, $minutes minutes), $runs runs each"
echo "pieces without the filter: $("$cli" split "$album" | tail -n +2 | wc -l)," \
    "with 50 ms: $("$cli" split "$album" --click-filter 50 | tail -n +2 | wc -l)," \
    "the same frames: $(cmp -s <("$cli" split "$album") \
        <("$cli" split "$album" --click-filter 50) && echo yes || echo no)"
plain=$(measure "$cli" split "$album")
filtered=$(measure "$cli" split "$album" --click-filter 50)
untrimmed=$(measure "$cli" split "$album" --trim-space 0)
untrimmed_filtered=$(measure "$cli" split "$album" --trim-space 0 --click-filter 50)
printf 'split                               median %7.3f s\n' "$plain"
printf 'split --click-filter 50             median %7.3f s\n' "$filtered"
printf 'split --trim-space 0                median %7.3f s\n' "$untrimmed"
printf 'split --trim-space 0 --click-filter median %7.3f s\n' "$untrimmed_filtered"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "filtered / plain:            $(ratio "$filtered" "$plain") (goal <= 1.5)"
echo "untrimmed filtered / plain:  $(ratio "$untrimmed_filtered" "$untrimmed") (goal <= 1.5)"
