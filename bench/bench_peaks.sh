#!/usr/bin/env bash
# Measures sundra-cli peaks (the waveform summary written as a peak file) on a
# generated album against the plain C passes over the same file: the split
# scan (bench/plain_scan.c) and a plain min/max writer (bench/plain_peaks.c),
# whose output must equal ours byte for byte. Medians of warm-cache runs; peak
# memory (maximum resident set) from /usr/bin/time.
#
#   bench/bench_peaks.sh [MINUTES] [RUNS]       (defaults: 20 minutes, 7 runs)
#
# Environment: BUILD (default build/bench-rel, configured as a Release build),
# WORK (default a folder under /tmp that is kept, so the album is made once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-20}
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
cc -O2 -o "$work/plain_scan" "$root/bench/plain_scan.c"
cc -O2 -o "$work/plain_peaks" "$root/bench/plain_peaks.c"

album="$work/album-$minutes.wav"
if [ ! -f "$album" ]; then
    "$cli" make-album "$album" --minutes "$minutes" >/dev/null
fi
cat "$album" >/dev/null # warm the page cache

median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure NAME COMMAND...: one warm-up run, then $runs timed runs; prints the
# median wall time and the largest peak memory.
measure() {
    local name=$1
    shift
    local times=() peak=0
    "$@" >/dev/null 2>&1 || { echo "$name: the command failed: $*" >&2; return 1; }
    for _ in $(seq "$runs"); do
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
        read -r seconds kilobytes <"$work/time.txt"
        times+=("$seconds")
        [ "$kilobytes" -gt "$peak" ] && peak=$kilobytes
    done
    local med
    med=$(printf '%s\n' "${times[@]}" | median)
    printf '%-28s median %6.3f s   peak %7.1f MB\n' "$name" "$med" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
    echo "$name|$med" >>"$work/peaks-results.txt"
}

: >"$work/peaks-results.txt"
echo "album: $album ($(du -m "$album" | cut -f1) MB, $minutes minutes), $runs runs each"

"$work/plain_peaks" "$album" "$work/plain.dat"
"$cli" peaks "$album" "$work/sundra.dat"
if ! cmp -s "$work/plain.dat" "$work/sundra.dat"; then
    echo "plain_peaks and sundra-cli peaks wrote different peak files" >&2
    exit 1
fi
echo "peak files: identical ($(stat -c %s "$work/sundra.dat") bytes)"

measure "plain scan (C)" "$work/plain_scan" "$album"
measure "plain peaks (C)" "$work/plain_peaks" "$album" "$work/plain.dat"
measure "sundra-cli peaks" "$cli" peaks "$album" "$work/sundra.dat"
measure "sundra-cli peaks --zoom 1000" "$cli" peaks "$album" "$work/sundra-1000.dat" --zoom 1000

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
get() { grep "^$1|" "$work/peaks-results.txt" | cut -d'|' -f2; }
echo "peaks / plain scan:   $(ratio "$(get "sundra-cli peaks")" "$(get "plain scan (C)")") (goal <= 1.5)"
echo "peaks / plain peaks:  $(ratio "$(get "sundra-cli peaks")" "$(get "plain peaks (C)")")"
rm -f "$work/plain.dat" "$work/sundra.dat" "$work/sundra-1000.dat"
