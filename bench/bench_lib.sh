# Shared by the benchmark scripts that time sundra-cli against the plain C
# scan: source it after setting root, build, work and runs.

# Builds sundra-cli in $build (a Release build without the window, made when
# missing) and the plain C scan in $work; sets cli.
build_cli_and_plain_scan() {
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSUNDRA_BUILD_UI=OFF \
            -DSUNDRA_BUILD_TESTS=OFF >/dev/null
    fi
    cmake --build "$build" --target sundra-cli >/dev/null
    cli="$build/cli/sundra-cli"
    cc -O2 -o "$work/plain_scan" "$root/bench/plain_scan.c"
}

# median of the numbers on standard input
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# Called before every run of a timed command; a script may define its own.
before_run() { :; }

# time_runs NAME COMMAND...: one warm-up run, then $runs timed runs; sets med
# (the median wall time, s) and peak (the largest resident set, KB).
time_runs() {
    local name=$1
    shift
    local times=()
    peak=0
    before_run
    "$@" >/dev/null 2>&1 || { echo "$name: the command failed: $*" >&2; return 1; }
    for _ in $(seq "$runs"); do
        before_run
        /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
        read -r seconds kilobytes <"$work/time.txt"
        times+=("$seconds")
        [ "$kilobytes" -gt "$peak" ] && peak=$kilobytes
    done
    med=$(printf '%s\n' "${times[@]}" | median)
}
