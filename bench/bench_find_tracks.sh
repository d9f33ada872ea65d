#!/usr/bin/env bash
# Measures the automatic track detection (sundra-cli split --auto) and the
# report that makes the level rule's block levels and the detection's envelope
# in one pass (sundra-cli analyze) on a generated album, against the plain C
# pass over the same bytes (bench/plain_scan.c). Medians of warm-cache runs;
# peak memory (maximum resident set) from /usr/bin/time, also for an album
# three times as long, to show what an hour of audio adds.
#
#   bench/bench_find_tracks.sh [MINUTES] [RUNS]      (defaults: 60 minutes, 7 runs)
#
# Environment: BUILD (default build/bench-rel, configured as a Release build),
# WORK (default a folder under /tmp that is kept, so the albums are made once).
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
cc -O2 -o "$work/plain_scan" "$root/bench/plain_scan.c"

album="$work/album-$minutes.wav"
long="$work/album-$((3 * minutes)).wav"
[ -f "$album" ] || "$cli" make-album "$album" --minutes "$minutes" >/dev/null
[ -f "$long" ] || "$cli" make-album "$long" --minutes "$((3 * minutes))" >/dev/null
cat "$album" >/dev/null # warm the page cache

# median of the numbers on standard input
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure NAME COMMAND...: the median wall time of $runs runs (after one
# warm-up) and the largest peak memory; remembered in results.txt.
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
    printf '%-34s median %6.2f s   peak %7.1f MB\n' "$name" "$med" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
    echo "$name|$med|$peak" >>"$work/results.txt"
}

: >"$work/results.txt"
echo "album: $album ($(du -m "$album" | cut -f1) MB, $minutes minutes), $runs runs each"
echo "tracks found by split --auto: $(("$("$cli" split "$album" --auto | wc -l)" - 1))"

measure "plain scan (C)" "$work/plain_scan" "$album"
measure "sundra-cli split --auto" "$cli" split "$album" --auto
measure "sundra-cli analyze" "$cli" analyze "$album"
cat "$long" >/dev/null
measure "split --auto, $((3 * minutes)) minutes" "$cli" split "$long" --auto

get() { grep "^$1|" "$work/results.txt" | cut -d'|' -f"$2"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "split --auto / plain scan:   $(ratio "$(get "sundra-cli split --auto" 2)" "$(get "plain scan (C)" 2)") (goal <= 1.5)"
echo "analyze / plain scan:        $(ratio "$(get "sundra-cli analyze" 2)" "$(get "plain scan (C)" 2)")"
awk -v a="$(get "sundra-cli split --auto" 3)" -v b="$(get "split --auto, $((3 * minutes)) minutes" 3)" \
    -v m="$minutes" 'BEGIN { printf "memory an hour adds:         %.1f MB\n", (b - a) / 1024 / (2 * m / 60) }'
