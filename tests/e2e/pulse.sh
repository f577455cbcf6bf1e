# Shared by perfect.sh (sourced, not run): a PulseAudio server of the run's own (as root too, as
# CI runs: a private runtime folder), one null sink whose monitor is recorded, killed and started
# again under the game. Needs session.sh's E2E_ROOT; its processes are listed in PULSE_PIDS.

PULSE_PIDS=
SERVER_PID=
# The instruments (the recorder, the watches, the scripted player) run ahead of the game where
# the system allows, so a loaded machine delays the game and its sound, not their readings.
INSTRUMENT=
! nice -n -10 true 2>/dev/null || INSTRUMENT="nice -n -10"
RECORDER_PID=

pulse_up() { pactl info >/dev/null 2>&1; }

# pulse_begin: the private runtime folder, for the server and every client started after.
pulse_begin() {
    export XDG_RUNTIME_DIR=$E2E_ROOT/run PULSE_SERVER=unix:$E2E_ROOT/run/pulse/native
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# start_pulse CAPTURE: the server, its null sink's monitor recorded in CAPTURE. The server asks
# for real-time and high priority as a desktop's does.
start_pulse() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --realtime=yes --high-priority=yes -n \
        --load="module-null-sink sink_name=korvane" \
        --load="module-native-protocol-unix auth-anonymous=1" 2>>"$E2E_ROOT/pulse.err" &
    PULSE_PIDS="$! $PULSE_PIDS"
    SERVER_PID=$!
    e2e_wait_until 10 "no PulseAudio server" pulse_up
    $INSTRUMENT parec -d korvane.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=10 \
        >"$1" &
    PULSE_PIDS="$! $PULSE_PIDS"
    RECORDER_PID=$!
}

# kill_pulse: the server dies at once (SIGKILL), and its recorder with it.
kill_pulse() {
    kill -KILL "$SERVER_PID" "$RECORDER_PID"
    wait "$SERVER_PID" "$RECORDER_PID" 2>/dev/null
}

# pulse_end: stops what is left (the scripts' exit trap).
pulse_end() {
    [ -z "$PULSE_PIDS" ] || { kill $PULSE_PIDS; wait $PULSE_PIDS; } 2>/dev/null
}

# sounds CAPTURE: true once CAPTURE holds anything but silence.
sounds() { od -An -v -tx1 "$1" | grep -q '[1-9a-f]'; }

# random_seconds FROM TO: a moment between the two, to the hundredth.
random_seconds() {
    awk -v seed=$(((RANDOM << 15) | RANDOM)) -v from="$1" -v to="$2" \
        'BEGIN { srand(seed); printf "%.2f\n", from + rand() * (to - from) }'
}

# one_outage_logged: the log says the device stopped and played again, once each.
one_outage_logged() {
    [ "$(grep "audio device" "$E2E_ROOT/game.out")" = "$(printf '%s\n' \
        "The audio device stopped playing; the game goes on without sound" \
        "The audio device plays again")" ]
}
