#!/usr/bin/env bash
# FLAC export of a generated album: sundra-cli split --save --format flac (one
# thread, and --jobs 2) against the reference encoder, flac -5, run on the very
# WAV tracks that sundra-cli exports for the same album (one process, and two
# at once). Every run starts from a warm page cache and an empty output folder;
# the figures are medians of wall time and of CPU time (user + system).
# sundra-cli's times include its split scan of the album; flac's do not.
# Before timing, the MD5 of the samples that each FLAC file carries is checked
# against flac's own file of the same track.
#
#   bench/bench_flac_export.sh [MINUTES] [RUNS]      (defaults: 60 minutes, 3 runs)
#
# Environment: BUILD (default build/release), WORK (default /tmp/sundra-flac-bench,
# kept so that the album is made once).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
runs=${2:-3}
build=${BUILD:-$root/build/release}
work=${WORK:-/tmp/sundra-flac-bench}
mkdir -p "$work"
cmake --build "$build" --target sundra-cli >/dev/null
cli="$build/cli/sundra-cli"
command -v flac >/dev/null || { echo "flac is not installed" >&2; exit 1; }

album="$work/album-$minutes.wav"
[ -f "$album" ] || "$cli" make-album "$album" --minutes "$minutes" >/dev/null
tracks="$work/wav"
rm -rf "$tracks" && mkdir -p "$tracks"
"$cli" split "$album" --save --out "$tracks" >/dev/null
out="$work/out"
cat "$album" "$tracks"/*.wav >/dev/null # warm the page cache

median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
fresh_out() { rm -rf "$out" && mkdir -p "$out"; }

flac_one() { flac -5 -s -f --output-prefix="$out/" "$tracks"/*.wav; }
flac_two() { printf '%s\n' "$tracks"/*.wav | xargs -P 2 -n 1 flac -5 -s -f --output-prefix="$out/"; }
ours_one() { "$cli" split "$album" --save --format flac --out "$out" >/dev/null; }
ours_two() { "$cli" split "$album" --save --format flac --out "$out" --jobs 2 >/dev/null; }

# The samples our files hold are the samples of the WAV tracks.
fresh_out && flac_one && mkdir -p "$work/reference" && rm -f "$work/reference"/* &&
    mv "$out"/*.flac "$work/reference/"
fresh_out && ours_two
for file in "$work/reference"/*.flac; do
    name=$(basename "$file")
    [ "$(metaflac --show-md5sum "$file")" = "$(metaflac --show-md5sum "$out/$name")" ] ||
        { echo "the samples of $name differ" >&2; exit 1; }
done
echo "album: $minutes minutes, $(ls "$tracks" | wc -l) tracks, $(du -m "$album" | cut -f1) MB; $runs runs each; samples checked (MD5)"

measure() {
    local name=$1 walls=() cpus=()
    shift
    for _ in $(seq "$runs"); do
        fresh_out
        /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@"
        read -r wall user system <"$work/time.txt"
        walls+=("$wall")
        cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
    done
    printf '%-40s wall %6.2f s   cpu %6.2f s   output %4d MB\n' "$name" \
        "$(printf '%s\n' "${walls[@]}" | median)" "$(printf '%s\n' "${cpus[@]}" | median)" \
        "$(du -m "$out" | cut -f1)"
}

measure "flac -5 (one process)" bash -c "$(declare -f flac_one); out=$out tracks=$tracks flac_one"
measure "sundra-cli --format flac" bash -c "$(declare -f ours_one); cli=$cli album=$album out=$out ours_one"
measure "flac -5 (two processes)" bash -c "$(declare -f flac_two); out=$out tracks=$tracks flac_two"
measure "sundra-cli --format flac --jobs 2" bash -c "$(declare -f ours_two); cli=$cli album=$album out=$out ours_two"
