# Sourced by test.sh: a PulseAudio daemon with a null sink, so that PortAudio's
# default output and input open for real on a machine without a sound card.
# What is played comes back on the default input (the sink's monitor).

start_sound_server() {
    if ! command -v pulseaudio >/dev/null; then
        echo "no pulseaudio: device tests against a real server will fail" >&2
        return 0
    fi
    SOUND_SERVER_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR=$SOUND_SERVER_DIR
    export PULSE_SERVER=unix:$SOUND_SERVER_DIR/pulse-native
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --realtime=no \
        --high-priority=no --log-target=newfile:$SOUND_SERVER_DIR/pulse.log \
        -L "module-null-sink sink_name=test_null rate=44100 channels=2" \
        -L "module-native-protocol-unix socket=$SOUND_SERVER_DIR/pulse-native auth-anonymous=1" \
        >/dev/null 2>&1 &
    SOUND_SERVER_PID=$!
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.05
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "the sound server did not start; see $SOUND_SERVER_DIR/pulse.log" >&2
    fi
    # What is played must come back on the default input: the sink's monitor.
    pactl set-default-sink test_null >/dev/null 2>&1 || true
    pactl set-default-source test_null.monitor >/dev/null 2>&1 || true
    # A silent stream keeps the null sink running, so new streams start at once.
    pacat --playback --raw --latency-msec=20 </dev/zero >/dev/null 2>&1 &
    SOUND_KEEPALIVE_PID=$!
    sleep 2.2
    # Device tests must find the server: no skipping for "no device" here.
    export SUNDRA_REQUIRE_SOUND_DEVICE=1
}

stop_sound_server() {
    if [ -n "${SOUND_KEEPALIVE_PID:-}" ]; then
        kill "$SOUND_KEEPALIVE_PID" 2>/dev/null || true
        wait "$SOUND_KEEPALIVE_PID" 2>/dev/null || true
    fi
    if [ -n "${SOUND_SERVER_PID:-}" ]; then
        kill "$SOUND_SERVER_PID" 2>/dev/null || true
        wait "$SOUND_SERVER_PID" 2>/dev/null || true
    fi
    [ -n "${SOUND_SERVER_DIR:-}" ] && rm -rf "$SOUND_SERVER_DIR"
    return 0
}
