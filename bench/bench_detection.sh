#!/usr/bin/env bash
# Scores sundra-cli's track detections on the corpus of real recorded music
# (bench/fetch-corpus.sh builds it when it is missing), with ffmpeg's
# silencedetect as the baseline a user would try instead, and sets the noise
# floor that analyze reports beside the gaps' measured RMS.
#
#   bench/bench_detection.sh [DIR]       (default DIR: build/corpus)
#
# Each detection runs over every copy of every album and is scored by
# bench/score-detection.py: boundaries found, extra cuts and tracks, music
# left out at the track edges and inside songs, gap included. The level rule
# runs at its defaults, with the click filter and by count (--tracks N);
# --auto and --track-list run where the binary has them.
#
# Environment: CLI (the sundra-cli to score; by default built in BUILD),
# BUILD (default build/release), WORK (where the detections' label files go;
# default a new folder under /tmp), CLICK_FILTER (ms, default 50), COPIES (a
# pattern the copies' names must match, default every copy, e.g. 'needle').
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/corpus}
albums="$dir/albums"
[ -f "$albums/complete" ] || "$root/bench/fetch-corpus.sh" "$dir"

if [ -n "${CLI:-}" ]; then
    cli=$CLI
else
    build=${BUILD:-$root/build/release}
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    cmake --build "$build" -j2 --target sundra-cli >/dev/null
    cli="$build/cli/sundra-cli"
fi
work=${WORK:-$(mktemp -d /tmp/sundra-detection.XXXXXX)}
mkdir -p "$work"
score=("python3" "$root/bench/score-detection.py")

# The copies, album by album: singularity-clean, singularity-cassette, ...
copies=()
for clean in "$albums"/*-clean.wav; do
    album=$(basename "$clean" -clean.wav)
    for copy in clean cassette needle; do
        [[ "$album-$copy" =~ ${COPIES:-.} ]] && copies+=("$album-$copy")
    done
done
[ ${#copies[@]} -gt 0 ] || { echo "no copy matches '$COPIES'" >&2; exit 1; }

# What split offers: its usage names every option it takes.
usage=$({ "$cli" split --help; "$cli" --help; } 2>&1 || true)
offers() { grep -q -- "$1" <<<"$usage"; }

# detect METHOD ARGS...: runs sundra-cli split with ARGS on every copy (an
# argument @LIST stands for the album's track list ALBUM.LIST.txt, @COUNT for
# its number of tracks), then scores the label files. A failed run leaves an
# empty label file (every song missed) and its message is shown.
detect() {
    local method=$1 pairs=()
    shift
    echo "== split$(sed 's/@COUNT/N/g; s/@\([a-z-]*\)/ALBUM.\1.txt/g; s/^./ &/' <<<"$*") =="
    for copy in "${copies[@]}"; do
        local album=${copy%-*} args=() out="$work/$copy.$method.txt"
        for arg in "$@"; do
            case $arg in
                @COUNT) args+=("$(wc -l <"$albums/$copy.truth.txt")") ;;
                @*) args+=("$albums/$album.${arg#@}.txt") ;;
                *) args+=("$arg") ;;
            esac
        done
        : >"$out"
        if ! "$cli" split "$albums/$copy.wav" "${args[@]}" --labels "$out" >"$work/$copy.$method.log" 2>&1; then
            echo "  $copy: split ${args[*]} failed: $(tail -n 1 "$work/$copy.$method.log")"
        fi
        pairs+=("$albums/$copy.truth.txt" "$out")
    done
    "${score[@]}" --brief "${pairs[@]}"
    echo
}

# silencedetect: ffmpeg's silence detection at -50 dB for 0.5 s; the pieces
# between its silences are its tracks.
silencedetect() {
    local pairs=()
    echo "== ffmpeg silencedetect=noise=-50dB:d=0.5 =="
    for copy in "${copies[@]}"; do
        local log="$work/$copy.silencedetect.log"
        ffmpeg -hide_banner -nostats -i "$albums/$copy.wav" -af silencedetect=noise=-50dB:d=0.5 \
            -f null - 2>"$log"
        "${score[@]}" --silencedetect "$log" >"$work/$copy.silencedetect.txt"
        pairs+=("$albums/$copy.truth.txt" "$work/$copy.silencedetect.txt")
    done
    "${score[@]}" --brief "${pairs[@]}"
    echo
}

echo "corpus: $albums (${#copies[@]} copies); sundra-cli: $cli; label files: $work"
echo
offers --auto && detect auto --auto
offers --track-list && {
    detect track-list --track-list @tracklist
    detect track-list-off --track-list @tracklist-off
    detect track-list-sides --track-list @tracklist-sides
}
detect tracks --tracks @COUNT
detect default
detect click-filter --click-filter "${CLICK_FILTER:-50}"
command -v ffmpeg >/dev/null && silencedetect

echo "== noise floor: analyze against the gaps' RMS (measured from the truth) =="
for copy in "${copies[@]}"; do
    floor=$("$cli" analyze "$albums/$copy.wav" | grep -m 1 '^Noise floor' || echo "Noise floor: (not reported)")
    printf '%-22s %-40s %s\n' "$copy" "$floor" \
        "$("${score[@]}" --gap-rms "$albums/$copy.truth.txt" "$albums/$copy.wav")"
done
