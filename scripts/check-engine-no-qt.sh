#!/usr/bin/env bash
# The engine and the command line never include Qt: fail when a Qt header
# appears under core/, audio/, split/ or cli/.
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnE '#\s*include\s*[<"]Q[A-Za-z]*(/|>|")' core audio split cli || true)
if [ -n "$hits" ]; then
    echo "Qt header included in the engine:" >&2
    echo "$hits" >&2
    exit 1
fi
echo "engine is free of Qt"
