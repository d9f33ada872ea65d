#!/usr/bin/env bash
# Measures sundra-cli split (list only, and --save) and sundra-cli analyze (the
# detection report) on a generated album against
# a plain C pass over the same file (bench/plain_scan.c), and, where they are
# installed, against ffmpeg's silencedetect and sox's silence split. Medians of
# warm-cache runs; peak memory (maximum resident set) from /usr/bin/time.
#
#   bench/bench_split.sh [MINUTES] [RUNS]       (defaults: 60 minutes, 7 runs)
#
# Environment: BUILD (default build/bench-rel, configured as a Release build),
# WORK (default a folder under /tmp that is kept, so the album is made once),
# ALBUM (make-album's format options, default 44.1 kHz 16-bit; for example
# ALBUM="--rate 96000 --bits 24" for a 24-bit/96 kHz album).
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

album_options=${ALBUM:-}
album="$work/album-$minutes$(echo "$album_options" | tr -d ' -').wav"
if [ ! -f "$album" ]; then
    # shellcheck disable=SC2086 # the options are words
    "$cli" make-album "$album" --minutes "$minutes" $album_options >/dev/null
fi
out="$work/out"
cat "$album" >/dev/null # warm the page cache

fresh_out() { rm -rf "$out" && mkdir -p "$out"; }
before_run() { fresh_out; }

# measure NAME COMMAND...: runs the command $runs times (after one warm-up run),
# each time in a fresh output folder, and prints the median wall time and the
# largest peak memory.
measure() {
    local name=$1
    shift
    time_runs "$name" "$@" || return 1
    printf '%-34s median %6.2f s   peak %7.1f MB   files %d\n' "$name" "$med" \
        "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$(find "$out" -type f | wc -l)"
    echo "$name $med $peak" >>"$work/results.txt"
}

: >"$work/results.txt"
echo "album: $album ($(du -m "$album" | cut -f1) MB, $minutes minutes), $runs runs each"

# The plain pass and the engine must agree on the pieces before they are timed.
plain_pieces=$("$work/plain_scan" "$album" | cut -f2,3)
cli_pieces=$("$cli" split "$album" | tail -n +2 | cut -f2,3)
if [ "$plain_pieces" != "$cli_pieces" ]; then
    echo "plain_scan and sundra-cli split disagree on the pieces:" >&2
    diff <(echo "$plain_pieces") <(echo "$cli_pieces") >&2 || true
    exit 1
fi
echo "pieces: $(echo "$cli_pieces" | wc -l) (the same in both)"

measure "plain scan (C)" "$work/plain_scan" "$album"
measure "sundra-cli split" "$cli" split "$album"
measure "sundra-cli analyze" "$cli" analyze "$album"
measure "plain scan + write (C)" "$work/plain_scan" "$album" --write "$out"
measure "sundra-cli split --save" "$cli" split "$album" --save --out "$out"
if command -v ffmpeg >/dev/null; then
    measure "ffmpeg silencedetect" ffmpeg -hide_banner -nostats -i "$album" \
        -af silencedetect=noise=-26dB:d=1.25 -f null -
fi
if command -v sox >/dev/null; then
    measure "sox silence split (one file each)" sox "$album" "$out/sox.wav" \
        silence 1 0.25 5% 1 1.25 5% : newfile : restart
fi

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
get() { grep "^$1 " "$work/results.txt" | awk '{ print $(NF - 1) }'; }
echo "split / plain scan:            $(ratio "$(get "sundra-cli split")" "$(get "plain scan (C)")") (goal <= 1.5)"
echo "analyze / plain scan:          $(ratio "$(get "sundra-cli analyze")" "$(get "plain scan (C)")") (goal <= 1.5)"
echo "split --save / plain + write:  $(ratio "$(get "sundra-cli split --save")" "$(get "plain scan + write (C)")") (goal <= 1.5)"
rm -rf "$out"
