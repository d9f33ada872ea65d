#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on a generated album.
# With a display the window opens on it. Without one (a server, CI) the window
# runs offscreen and writes screenshots, and the command line splits the album
# and saves every track, as Auto Split and Save All would.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"

cli=build/release/cli/sundra-cli
window=build/release/ui/sundra
out=build/run
mkdir -p "$out"
[ -f "$out/album.wav" ] || "$cli" make-album "$out/album.wav" --minutes 10 --seed 1 >/dev/null
"$cli" info "$out/album.wav"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec "$window" "$out/album.wav"
fi

echo "No display: screenshots of the window go to $out/screenshots"
QT_QPA_PLATFORM=offscreen "$window" --screenshot "$out/screenshots" "$out/album.wav"
mkdir -p "$out/tracks"
"$cli" split "$out/album.wav" --save --out "$out/tracks" --progress
ls -l "$out/tracks"
