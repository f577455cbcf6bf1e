# Shared by the end-to-end scripts (sourced, not run): a private X server, a throw-away
# HOME with its XDG folders, the game started in the background, and waits on its log.
# Everything started here is stopped by e2e_cleanup, which the scripts run on exit.

E2E_XVFB_PID=
E2E_GAME_PID=
E2E_ROOT=

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$E2E_ROOT" ] && [ -f "$E2E_ROOT/game.out" ]; then
        echo "--- game stdout ---" >&2
        cat "$E2E_ROOT/game.out" >&2
        echo "--- game stderr ---" >&2
        cat "$E2E_ROOT/game.err" >&2
    fi
    e2e_game_threads >&2
    exit 1
}

# Where each thread of a game that is still running waits in the kernel, for a game that hangs.
e2e_game_threads() {
    [ -n "$E2E_GAME_PID" ] && [ -d "/proc/$E2E_GAME_PID/task" ] || return 0
    echo "--- game threads (name, state, kernel wait, system call) ---"
    local task
    for task in /proc/"$E2E_GAME_PID"/task/*; do
        echo "$(cat "$task/comm" 2>/dev/null) $(awk '{ print $3 }' "$task/stat" 2>/dev/null)" \
            "$(cat "$task/wchan" 2>/dev/null) $(cat "$task/syscall" 2>/dev/null)"
    done
}

e2e_cleanup() {
    if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null; then
        kill -KILL "$E2E_GAME_PID" 2>/dev/null
        wait "$E2E_GAME_PID" 2>/dev/null
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    # E2E_KEEP=1 keeps the run's folder (logs, captures) to look at after a failure.
    [ -n "$E2E_ROOT" ] && [ -z "${E2E_KEEP:-}" ] && rm -rf "$E2E_ROOT"
    return 0
}

# Temporary HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME (and an empty
# XDG_CONFIG_DIRS), so the player's real settings, highscores and track cache are never read
# or written.
e2e_temp_home() {
    E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/korvane-e2e-XXXXXX") || e2e_fail "mktemp"
    export HOME="$E2E_ROOT/home"
    export XDG_CONFIG_HOME="$E2E_ROOT/config"
    export XDG_DATA_HOME="$E2E_ROOT/data"
    export XDG_CACHE_HOME="$E2E_ROOT/cache"
    export XDG_CONFIG_DIRS="$E2E_ROOT/etc-xdg"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_DIRS"
}

# The opening of every script that runs the game: cleanup on exit and a throw-away HOME.
e2e_begin() {
    trap e2e_cleanup EXIT
    e2e_temp_home
}

# Starts Xvfb (a desktop of E2E_SCREEN pixels, 1024x768 unless set) on a display it picks itself
# (-displayfd), and exports DISPLAY once it is ready.
e2e_start_xvfb() {
    local fdfile="$E2E_ROOT/display"
    Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768}x24" -nolisten tcp 3>"$fdfile" \
        2>"$E2E_ROOT/xvfb.err" &
    E2E_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        if [ -s "$fdfile" ]; then
            export DISPLAY=":$(head -n1 "$fdfile")"
            return 0
        fi
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    cat "$E2E_ROOT/xvfb.err" >&2
    e2e_fail "Xvfb did not start"
}

# e2e_tone_mp3 FILE: a three-second 440 Hz tone as an MP3 (sox and lame), a song to browse.
e2e_tone_mp3() {
    sox -n -r 44100 -c 2 "$E2E_ROOT/tone.wav" synth 3 sine 440 vol 0.5 || e2e_fail "sox"
    lame --quiet "$E2E_ROOT/tone.wav" "$1" || e2e_fail "lame"
}

# e2e_start_game EXE [ARGUMENTS...]: runs the game with SDL's dummy audio (or E2E_AUDIO_DRIVER,
# e.g. disk with SDL_DISKAUDIOFILE); its output goes to game.out/.err.
e2e_start_game() {
    SDL_AUDIODRIVER=${E2E_AUDIO_DRIVER:-dummy} "$@" >"$E2E_ROOT/game.out" 2>"$E2E_ROOT/game.err" &
    E2E_GAME_PID=$!
}

# e2e_start_heard_game EXE: the game with SDL's disk audio output, whose capture is the file
# $SDL_DISKAUDIOFILE (a buffer is written at each callback).
e2e_start_heard_game() {
    export SDL_DISKAUDIOFILE=$E2E_ROOT/audio.raw
    E2E_AUDIO_DRIVER=disk e2e_start_game "$1"
}

# e2e_title_window: waits for the title screen and puts the game's window id in WINDOW.
e2e_title_window() {
    e2e_wait_line "Scene Title starting" 1 20
    WINDOW=$(timeout 10 xdotool search --sync --name "Korvane Zaduza" | head -n1)
    [ -n "$WINDOW" ] || e2e_fail "no game window"
}

# e2e_screenshot NAME: the game's window as NAME.png in $ARTEFACTS, when a folder was given.
e2e_screenshot() {
    [ -z "${ARTEFACTS:-}" ] || { mkdir -p "$ARTEFACTS" && import -window "$WINDOW" "$ARTEFACTS/$1.png"; }
}

# e2e_wait_line TEXT COUNT SECONDS: waits until TEXT is a whole line of the log COUNT times.
e2e_wait_line() {
    local deadline=$((SECONDS + $3))
    local count
    while count=$(grep -scxF "$1" "$E2E_ROOT/game.out"); [ "${count:-0}" -lt "$2" ]; do
        [ $SECONDS -lt $deadline ] || e2e_fail "no line '$1' (#$2) within $3 s"
        kill -0 "$E2E_GAME_PID" 2>/dev/null || e2e_fail "the game ended while waiting for '$1'"
        sleep 0.05
    done
}

# e2e_wait_file_line FILE LINE SECONDS: waits until LINE is a whole line of FILE.
e2e_wait_file_line() {
    local deadline=$((SECONDS + $3))
    until grep -sqxF "$2" "$1"; do
        [ $SECONDS -lt $deadline ] || e2e_fail "no line '$2' in $1 within $3 s"
        sleep 0.05
    done
}

# e2e_wait_until SECONDS WHAT COMMAND...: waits until COMMAND succeeds (WHAT names it when not).
e2e_wait_until() {
    local deadline=$((SECONDS + $1)) what=$2
    shift 2
    until "$@"; do
        [ $SECONDS -lt $deadline ] || e2e_fail "$what"
        sleep 0.05
    done
}

# e2e_region WINDOW X Y W H: a checksum of the window's pixels in that rectangle, as shown now.
e2e_region() {
    import -window "$1" -crop "$4x$5+$2+$3" +repage rgb:- 2>/dev/null | md5sum
}

# e2e_wait_exit SECONDS: waits for the game to end; its exit code goes to E2E_EXIT_CODE.
E2E_EXIT_CODE=
e2e_wait_exit() {
    local deadline=$((SECONDS + $1))
    while kill -0 "$E2E_GAME_PID" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || e2e_fail "the game did not end within $1 s"
        sleep 0.05
    done
    E2E_EXIT_CODE=0
    wait "$E2E_GAME_PID" || E2E_EXIT_CODE=$?
    E2E_GAME_PID=
}

# The scene names started, in order, separated by commas.
e2e_scene_sequence() {
    sed -n 's/^Scene \(.*\) starting$/\1/p' "$E2E_ROOT/game.out" | paste -sd, -
}

# e2e_check_clean_end SEQUENCE: after e2e_wait_exit, fails unless the game ended with exit code
# 0, the log's last line "The End" and exactly these scenes started (e2e_scene_sequence).
e2e_check_clean_end() {
    [ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE"
    local sequence
    sequence=$(e2e_scene_sequence)
    [ "$sequence" = "$1" ] || e2e_fail "scene sequence '$sequence', expected '$1'"
    [ "$(tail -n1 "$E2E_ROOT/game.out")" = "The End" ] || e2e_fail "the log does not end with The End"
}
