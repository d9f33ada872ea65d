#!/usr/bin/env bash
# Dependencies point one way. The program's folders are libraries listed in
# dependency order: the engine in the top-level CMakeLists.txt (core first),
# the folders of the window program in ui/CMakeLists.txt (platform first). A
# file may include headers of its own folder and of folders listed before it,
# never of a folder listed after it. Fails on every include that runs back up.
set -euo pipefail
cd "$(dirname "$0")/.."

subdirectories() { # CMakeLists.txt
    sed -nE 's/^[[:space:]]*add_subdirectory\(([A-Za-z_]+)\).*/\1/p' "$1"
}

folders=()
for dir in $(subdirectories CMakeLists.txt); do
    case $dir in
    tests | bench | fuzz) ;;
    ui)
        for sub in $(subdirectories ui/CMakeLists.txt); do
            folders+=("ui/$sub")
        done
        ;;
    *) folders+=("$dir") ;;
    esac
done

ranks=""
for i in "${!folders[@]}"; do
    ranks+="${folders[$i]}=$i "
done

hits=$(for folder in "${folders[@]}"; do
    find "$folder" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
        xargs -0 grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' || true
done | awk -v ranks="$ranks" '
    function folderOf(path,    parts) {
        split(path, parts, "/")
        if (parts[1] == "ui" && (("ui/" parts[2]) in rank)) return "ui/" parts[2]
        if (parts[1] in rank) return parts[1]
        return ""
    }
    BEGIN {
        n = split(ranks, entries, " ")
        for (k = 1; k <= n; k++) {
            split(entries[k], pair, "=")
            rank[pair[1]] = pair[2] + 0
        }
    }
    {
        file = $0
        sub(/:.*/, "", file)
        included = $0
        sub(/^[^"]*"/, "", included)
        sub(/".*$/, "", included)
        from = folderOf(file)
        to = folderOf(included)
        if (from != "" && to != "" && rank[to] > rank[from]) print
    }')
if [ -n "$hits" ]; then
    echo "Includes that run from a lower folder to a higher one (order: ${folders[*]}):" >&2
    echo "$hits" >&2
    exit 1
fi
echo "includes point one way: ${folders[*]}"
