#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job: on a
# generated album, the automatic split and the export of every track.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

cli=build/release/cli/sundra-cli
out=build/run
mkdir -p "$out"
"$cli" make-album "$out/album.wav" --minutes 10 --seed 1
"$cli" info "$out/album.wav"
"$cli" split "$out/album.wav" --save --progress
ls -l "$out"
