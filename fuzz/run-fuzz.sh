#!/usr/bin/env bash
# Runs a libFuzzer binary for a bounded time on a copy of the seed corpus and
# prints how many inputs it ran and the coverage it reached. Exits non-zero when
# the fuzzer finds a crash, a hang or a broken invariant; the input that did it
# is kept in an "artifacts" folder beside the binary.
#   usage: fuzz/run-fuzz.sh BINARY SECONDS
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY SECONDS" >&2
    exit 2
fi
binary=$(realpath "$1")
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus" "$work/corpus"
artifacts="$(dirname "$binary")/artifacts"
mkdir -p "$artifacts"

status=0
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -n 1)
coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$work/log" | tail -n 1 || true)
echo "fuzz $(basename "$binary"): ${executions:-?} executions in up to ${seconds} s" \
    "(${rate:-?}/s), ${coverage:-no coverage reported}," \
    "corpus $(ls "$work/corpus" | wc -l) inputs from $(ls "$here/corpus" | wc -l) seeds"

if [ "$status" -ne 0 ]; then
    tail -n 60 "$work/log" >&2
    echo "fuzz $(basename "$binary"): FAILED (status $status), inputs kept in $artifacts" >&2
    exit 1
fi
