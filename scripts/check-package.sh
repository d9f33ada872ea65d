#!/usr/bin/env bash
# Builds the Debian package and checks it as an installed program: lintian finds
# no error; the programs unpacked from the package (dpkg-deb -x into a temporary
# root) run from there, so a file missing from the package fails; the desktop
# entry, the software-centre metadata and the manual pages pass their checkers;
# WAV files and cue sheets open with the desktop entry; and the bash completion
# offers every command and every option that `sundra-cli --help` names.
#   scripts/check-package.sh [BUILD_DIR]    (build/release unless told)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target sundra sundra-cli sundra_installed_files
rm -f "$build"/sundra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/sundra_${version}_$(dpkg --print-architecture).deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"

passed=0
failed=0
# Runs a check with errexit in force: started in the background, it is in no
# if or || that would switch errexit off inside it.
check() { # what, command...
    local what=$1
    shift
    (
        set -e
        "$@"
    ) >"$work/said" 2>&1 &
    if wait $!; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
    sed 's/^/    /' "$work/said"
}
same() { # expected, actual
    [ "$1" = "$2" ] || { printf 'expected: %s\nbut got:  %s\n' "$1" "$2"; return 1; }
}

package_is_named() {
    [ -f "$deb" ] || { ls "$build"/*.deb; return 1; }
    same "sundra $version sound" "$(dpkg-deb -f "$deb" Package Version Section | cut -d' ' -f2 | xargs)"
    # A new version needs its changelog entry.
    same "$version" "$(dpkg-parsechangelog -l res/debian/changelog -S Version)"
}
check "the package is $(basename "$deb")" package_is_named

# lintian says it has root privileges when it has; that is no tag.
lintian_errors() {
    local status=0
    lintian --fail-on error --display-info "$deb" >"$work/lintian" 2>&1 || status=$?
    grep -v 'running with root privileges' "$work/lintian" || true
    return $status
}
check "lintian finds no error" lintian_errors

dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
holds_its_files() {
    local file missing=0
    for file in usr/bin/sundra usr/bin/sundra-cli usr/share/applications/sundra.desktop \
        usr/share/icons/hicolor/48x48/apps/sundra.png usr/share/icons/hicolor/scalable/apps/sundra.svg \
        usr/share/man/man1/sundra.1.gz usr/share/man/man1/sundra-cli.1.gz \
        usr/share/bash-completion/completions/sundra-cli usr/share/doc/sundra/copyright \
        usr/share/doc/sundra/changelog.gz; do
        [ -e "$root/$file" ] || { echo "missing: /$file"; missing=1; }
    done
    ls "$share"/metainfo/*.metainfo.xml
    # Libraries are linked into the programs, never installed.
    same "" "$(find "$root" -name '*.a' -o -name '*.so*' -o -name '*.h')" && [ $missing -eq 0 ]
}
check "the package holds the programs and their files, and no library" holds_its_files

# The package's own library folders, so that a library it shipped would be the
# one loaded.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
export LD_LIBRARY_PATH="$root/usr/lib/$multiarch:$root/usr/lib"
cli="$root/usr/bin/sundra-cli"
unpacked_programs_run() {
    same "sundra-cli $version" "$("$cli" --version)"
    # No display is needed to ask the window program its version.
    same "sundra $version" "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/sundra" --version)"
    "$cli" make-album "$work/album.wav" --minutes 10 --rate 8000 --seed 1 >"$work/album.txt"
    mkdir "$work/tracks"
    "$cli" split "$work/album.wav" --save --out "$work/tracks" --cue "$work/album.cue"
    local songs
    songs=$(sed -n 's/.*: \([0-9]*\) songs,.*/\1/p' "$work/album.txt")
    same "$songs tracks" "$(find "$work/tracks" -name 'album-*.wav' | wc -l) tracks"
    "$cli" cut "$work/album.wav" --cue "$work/album.cue" >/dev/null
}
check "the unpacked sundra-cli splits a generated album" unpacked_programs_run

check "desktop-file-validate passes the desktop entry" \
    desktop-file-validate "$share/applications/sundra.desktop"
check "appstreamcli passes the metainfo and the tree it lives in" \
    bash -c 'appstreamcli validate --no-net "$1"/metainfo/*.metainfo.xml &&
             appstreamcli validate-tree --no-net "$2"' _ "$share" "$root"

# What the desktop would do after the install (update-desktop-database runs from
# a dpkg trigger there), seen by a user with nothing but the package.
opens_wav_and_cue_files() {
    update-desktop-database "$share/applications"
    mkdir -p "$work/home/config" "$work/home/data"
    local type
    for type in audio/x-wav audio/wav audio/vnd.wave application/x-cue; do
        same "$type: sundra.desktop" "$type: $(env -i PATH="$PATH" HOME="$work/home" \
            XDG_CONFIG_HOME="$work/home/config" XDG_CONFIG_DIRS="$work/home/config" \
            XDG_DATA_HOME="$work/home/data" XDG_DATA_DIRS="$share" xdg-mime query default "$type")"
    done
}
check "WAV files and cue sheets open with sundra.desktop" opens_wav_and_cue_files

# Every command and option of the usage, as the unpacked program prints it.
"$cli" --help | sed -n 's/^  sundra-cli \([a-z][a-z-]*\) .*/\1/p' >"$work/commands"
usage_options() { # command
    "$cli" --help | sed -n "s/^  sundra-cli $1 //p" | grep -o -- '--[a-z][a-z-]*' | sort -u
}

man_pages_render() {
    local page said
    for page in sundra sundra-cli; do
        said=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)
        [ -z "$said" ] || { echo "$page.1: $said"; return 1; }
    done
    MANWIDTH=80 man -E ascii -l "$share/man/man1/sundra-cli.1.gz" 2>/dev/null >"$work/page"
    local command option missing=0
    while read -r command; do
        for option in "$command" $(usage_options "$command"); do
            grep -q -- "$option" "$work/page" || { echo "not in sundra-cli(1): $command $option"; missing=1; }
        done
    done <"$work/commands"
    MANWIDTH=80 man -E ascii -l "$share/man/man1/sundra.1.gz" 2>/dev/null >"$work/page"
    for option in --screenshot --help --version; do
        grep -q -- "$option" "$work/page" || { echo "not in sundra(1): $option"; missing=1; }
    done
    return $missing
}
check "man renders both pages without a warning, naming every command and option" man_pages_render

# Completes the words after "sundra-cli" in folder as bash would at the end of
# the line: one offer a line.
complete_in() { # folder, words...
    local folder=$1
    shift
    (cd "$folder" && bash --norc --noprofile -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        shift
        COMP_WORDS=(sundra-cli "$@")
        COMP_CWORD=$(($# ))
        COMP_LINE="sundra-cli $*"
        COMP_POINT=${#COMP_LINE}
        _sundra_cli
        printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort' _ "$share/bash-completion/completions/sundra-cli" "$@")
}
completion_offers_everything() {
    local command option missing=0
    while read -r command; do
        complete_in "$work" "" | grep -qx -- "$command" || { echo "no command $command"; missing=1; }
        for option in $(usage_options "$command"); do
            complete_in "$work" "$command" x.wav "${option:0:3}" | grep -qx -- "$option" ||
                { echo "$command offers no $option"; missing=1; }
        done
    done <"$work/commands"
    # File names of the kind each place takes.
    local files="$work/files"
    mkdir -p "$files/folder"
    touch "$files/side.wav" "$files/LOUD.WAV" "$files/side.cue" "$files/side.txt" "$files/peaks.dat"
    same "LOUD.WAV folder side.wav" "$(complete_in "$files" split "" | xargs)"
    same "folder side.cue" "$(complete_in "$files" cut side.wav --cue "" | xargs)"
    same "folder side.txt" "$(complete_in "$files" cut side.wav --labels "" | xargs)"
    same "folder" "$(complete_in "$files" split side.wav --save --out "" | xargs)"
    same "folder peaks.dat" "$(complete_in "$files" peaks side.wav "" | xargs)"
    same "flac" "$(complete_in "$files" split side.wav --format fl | xargs)"
    return $missing
}
check "the bash completion offers every command, option and kind of file" completion_offers_everything

echo "package: $passed of $((passed + failed)) checks passed"
[ "$failed" -eq 0 ]
