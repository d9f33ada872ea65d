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

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUNDRA_BUILD_UI=OFF \
        -DSUNDRA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target sundra-cli >/dev/null
cli="$build/cli/sundra-cli"
cc -O2 -o "$work/plain_scan" "$root/bench/plain_scan.c"

album_options=${ALBUM:-}
album="$work/album-$minutes$(echo "$album_options" | tr -d ' -').wav"
if [ ! -f "$album" ]; then
    # shellcheck disable=SC2086 # the options are words
    "$cli" make-album "$album" --minutes "$minutes" $album_options >/dev/null
fi
out="$work/out"
cat "$album" >/dev/null # warm the page cache

fresh_out() { rm -rf "$out" && mkdir -p "$out"; }

# median of the numbers on standard input
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# measure NAME COMMAND...: runs the command $runs times (after one warm-up run),
# each time in a fresh output folder, and prints the median wall time and the
# largest peak memory.
measure() {
    local name=$1
    shift
    local times=() peak=0
    fresh_out
    "$@" >/dev/null 2>&1 || { echo "$name: the command failed: $*" >&2; return 1; }
    for _ in $(seq "$runs"); do
        fresh_out
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
        read -r seconds kilobytes <"$work/time.txt"
        times+=("$seconds")
        [ "$kilobytes" -gt "$peak" ] && peak=$kilobytes
    done
    local med
    med=$(printf '%s\n' "${times[@]}" | median)
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
