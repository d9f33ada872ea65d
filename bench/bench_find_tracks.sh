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

# shellcheck source=bench/bench_lib.sh
source "$root/bench/bench_lib.sh"
build_cli_and_plain_scan

album="$work/album-$minutes.wav"
long="$work/album-$((3 * minutes)).wav"
[ -f "$album" ] || "$cli" make-album "$album" --minutes "$minutes" >/dev/null
[ -f "$long" ] || "$cli" make-album "$long" --minutes "$((3 * minutes))" >/dev/null
cat "$album" >/dev/null # warm the page cache

# measure NAME COMMAND...: the median wall time of $runs runs (after one
# warm-up) and the largest peak memory; remembered in results.txt.
measure() {
    local name=$1
    shift
    time_runs "$name" "$@" || return 1
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
