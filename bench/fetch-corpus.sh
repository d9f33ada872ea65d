#!/usr/bin/env bash
# Fetches the detection benchmark's corpus of real recorded music and builds its
# albums. The music comes from Debian packages of game soundtracks (produced,
# mastered music by three different composers), fetched with apt-get download,
# unpacked with dpkg -x and decoded to 44.1 kHz 16-bit stereo WAV; then
# bench/build-corpus.py joins them into albums with known boundaries and makes
# the clean, cassette and needle-drop copies. Never run by the build or tests.
#
#   bench/fetch-corpus.sh [DIR]         (default DIR: build/corpus)
#
# DIR/debs holds the packages, DIR/tracks the decoded tracks, DIR/albums the
# albums, their truth and their track lists (about 7 GB in all). Running it
# again fetches and decodes only what is missing, then rebuilds the albums
# (the same bytes: every random choice is seeded).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/corpus}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# The tools: sox and ffmpeg for the sound, python3 for the builder.
missing=()
for package in sox ffmpeg python3; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -q
    $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi

builder=("python3" "$root/bench/build-corpus.py")

# The builder names every source track it uses as PACKAGE<TAB>PATH-IN-PACKAGE.
mapfile -t sources < <("${builder[@]}" --sources)

mkdir -p "$dir/debs" "$dir/unpacked" "$dir/tracks"
for package in $(printf '%s\n' "${sources[@]}" | cut -f1 | sort -u); do
    if ! compgen -G "$dir/debs/${package}_*.deb" >/dev/null; then
        echo "Fetching $package"
        # apt-get download writes into the current folder.
        (cd "$dir/debs" && apt-get download -q "$package")
    fi
    if [ ! -d "$dir/unpacked/$package" ]; then
        dpkg -x "$(compgen -G "$dir/debs/${package}_*.deb" | head -n 1)" "$dir/unpacked/$package.part"
        mv "$dir/unpacked/$package.part" "$dir/unpacked/$package"
    fi
done

# Decode each source once: tracks/PACKAGE/NAME.wav, written under a temporary
# name first so an interrupted run never leaves a short track behind.
for line in "${sources[@]}"; do
    package=${line%%$'\t'*}
    path=${line#*$'\t'}
    name=$(basename "${path%.*}")
    out="$dir/tracks/$package/$name.wav"
    [ -f "$out" ] && continue
    mkdir -p "$dir/tracks/$package"
    echo "Decoding $package/$name"
    ffmpeg -nostdin -v error -i "$dir/unpacked/$package/$path" -map_metadata -1 \
        -fflags +bitexact -ar 44100 -ac 2 -c:a pcm_s16le -f wav -y "$out.part"
    mv "$out.part" "$out"
done

"${builder[@]}" "$dir"
