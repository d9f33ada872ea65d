#!/usr/bin/env bash
# Scores split --auto on records whose gaps do not share one floor:
#   1. make-album's albums (songs of a tone or of noise; between them digital
#      silence or faint hiss), of several seeds, lengths and sample shapes,
#      against the plan make-album prints;
#   2. the corpus's noisy copies with some gaps made digital silence (joins
#      in a transfer), and its clean copies with hiss in some gaps (a
#      compilation of sources), by bench/mixed-floors.py.
#
#   bench/bench_mixed_floors.sh [CORPUS]    (default build/corpus; part 2 only where it is built)
#
# Each file is made, scored and removed in turn (a few hundred MB at a time).
# Environment: CLI (the sundra-cli to score; by default built in BUILD),
# BUILD (default build/release), WORK (default a new folder under /tmp).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
albums="${1:-$root/build/corpus}/albums"
if [ -n "${CLI:-}" ]; then
    cli=$CLI
else
    build=${BUILD:-$root/build/release}
    [ -f "$build/build.ninja" ] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j2 --target sundra-cli >/dev/null
    cli="$build/cli/sundra-cli"
fi
work=${WORK:-$(mktemp -d /tmp/sundra-mixed.XXXXXX)}
mkdir -p "$work"
score=("python3" "$root/bench/score-detection.py")
echo "sundra-cli: $cli; work: $work"

# split --auto on FILE, scored against TRUTH: one line.
run() { # name file truth
    "$cli" split "$2" --auto --labels "$work/$1.txt" >/dev/null 2>"$work/$1.log" || : >"$work/$1.txt"
    "${score[@]}" --brief "$3" "$work/$1.txt" | sed -n 2p | sed "s/^[^ ]*/$1/"
}

echo
echo "== make-album: MINUTES SEED [OPTIONS] =="
while read -r minutes seed options; do
    name="album-$minutes-$seed${options// /}"
    # shellcheck disable=SC2086
    "$cli" make-album "$work/$name.wav" --minutes "$minutes" --seed "$seed" $options >"$work/$name.plan"
    rate=$(sed -n 's/.*--rate \([0-9]*\).*/\1/p' <<<"$options")
    awk -v r="${rate:-44100}" '$1 == "song" { printf "%.6f\t%.6f\tsong\n", $2 / r, $3 / r }' \
        "$work/$name.plan" >"$work/$name.truth.txt"
    gaps=$(awk '$1 == "gap" { n[$4]++ } END { printf "%d hiss, %d silence", n["hiss"], n["silence"] }' "$work/$name.plan")
    echo "$(run "$name" "$work/$name.wav" "$work/$name.truth.txt")  ($gaps)"
    rm -f "$work/$name.wav"
done <<'ALBUMS'
60 1
60 2
60 3
60 4
60 5
60 6
20 1
20 2
20 3
20 4
10 7
10 8
30 11 --bits 8
30 12 --bits 24
30 13 --float --bits 32
15 16 --float --bits 64
30 14 --rate 8000
20 15 --rate 96000 --bits 24
ALBUMS

[ -f "$albums/complete" ] || { echo "no corpus in $albums: its variants are left out"; exit 0; }
echo
echo "== corpus copies: COPY joins GAPS | COPY hiss DB GAPS =="
while read -r copy kind args; do
    name="$copy-$kind-${args// /_}"
    # shellcheck disable=SC2086
    python3 "$root/bench/mixed-floors.py" "$kind" "$albums" "$copy" "$work/$name.wav" $args
    run "$name" "$work/$name.wav" "$work/$name.truth.txt"
    rm -f "$work/$name.wav"
done <<'VARIANTS'
singularity-cassette joins 2 5 9
warzone-cassette joins 4 8
wesnoth-cassette joins 1
singularity-needle joins 10
warzone-needle joins 3 7
wesnoth-needle joins 6
singularity-clean hiss -60 1 3 5 7 9 11
singularity-clean hiss -40 4
warzone-clean hiss -50 2 4 6 8 10
wesnoth-clean hiss -45 2 3 5 7 11
VARIANTS
