#!/bin/bash
# The real game under a private X server, a perfect game: PLAY, a demo song's first half
# minute in the music browser, Play; a scripted player (perfect_player.py) plans the shield's moves from
# korvane-analyze's map of the song and makes them with relative pointer motion as the song
# is heard. The saved highscore must be 100 at the speed played and the result screen must
# show the perfect trophy: catching, the time base, the audio clock and the save in one run.
# Usage: perfect.sh KORVANE KORVANE_ANALYZE [ARTEFACT_FOLDER [MODE]]; MODE disk (the default):
# Slow, heard through SDL's disk output; pulse: Fast, through a PulseAudio server of the run's
# own, heard in its null sink's monitor, killed 5 s into the song and started again 2 s
# later: sound must be back within 3 s of that, where the song is, and every weapon caught
# outside that gap (what the player scores is checked against the least it may);
# late: Fast, through the disk output, by a player who hears everything 150 ms late (as through
# wireless headphones): uncalibrated it must not be perfect on the song's first 12 s; then it
# taps on the audio sync screen of Options, whose proposed offset must be its lag within 20 ms
# (a few ms on an idle machine; a loaded one delays taps and the disk output's buffers), saves
# it, and must be perfect on the song.
set -u
GAME=$1
ANALYZE=$2
ARTEFACTS=${3:-}
MODE=${4:-disk}
HERE=$(dirname "$0")
. "$HERE/session.sh"
PLAYER_PID=
PULSE_PIDS=
trap '[ -z "$PLAYER_PID" ] || kill "$PLAYER_PID" 2>/dev/null; e2e_cleanup
    [ -z "$PULSE_PIDS" ] || { kill $PULSE_PIDS; wait $PULSE_PIDS; } 2>/dev/null' EXIT
# Per mode: clicks on the speed's left arrow from Slow, bytes per lane row and highscore slot
# at that speed, and what the player hears: frames the file holds before they are heard,
# frames it grows by at once, and how late the player hears them.
case $MODE in
disk) SPEED_CLICKS=0 PER_LINE=880 SLOT=0 HELD=2048 STEP=1024 LAG_MS=0 SECONDS_PLAYED=25 ;;
pulse) SPEED_CLICKS=1 PER_LINE=352 SLOT=2 HELD=0 STEP=441 LAG_MS=0 SECONDS_PLAYED=32 ;;
late) SPEED_CLICKS=1 PER_LINE=352 SLOT=2 HELD=2048 STEP=1024 LAG_MS=150 SECONDS_PLAYED=25 ;;
*) echo "unknown mode $MODE" >&2 && exit 2 ;;
esac
pulse_up() { pactl info >/dev/null 2>&1; }

e2e_temp_home
# The shortest demo song, alone in a folder, so that it is row 1, below "..".
songs=$E2E_ROOT/songs
mkdir -p "$songs"
ffmpeg -v error -i "$(dirname "$GAME")/music/02-korvane-rising.ogg" -t "$SECONDS_PLAYED" \
    -c:a libvorbis -q:a 5 "$songs/02-korvane-rising.ogg" || e2e_fail "no demo song"
"$ANALYZE" "$songs/02-korvane-rising.ogg" >"$E2E_ROOT/map.csv" 2>/dev/null || e2e_fail "analysis"
SONG_Y=48 # row 1
if [ "$MODE" = late ]; then
    # The song's opening as an MP3, listed before the song itself, which is row 2 then.
    ffmpeg -v error -i "$songs/02-korvane-rising.ogg" -t 12 -q:a 4 "$songs/opening.mp3" &&
        "$ANALYZE" "$songs/opening.mp3" >"$E2E_ROOT/opening.csv" 2>/dev/null ||
        e2e_fail "the song's opening"
    SONG_Y=68
fi
mkdir -p "$XDG_CONFIG_HOME/korvane"
printf 'CurrentPath=%s/\nSeparateHS=1\n' "$songs" >"$XDG_CONFIG_HOME/korvane/settings.ini"

e2e_start_xvfb
# start_pulse CAPTURE: a sound server of the run's own (as root too, as CI runs: a private runtime
# folder), one null sink, its monitor recorded in CAPTURE.
start_pulse() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --realtime=no --high-priority=no -n \
        --load="module-null-sink sink_name=korvane" \
        --load="module-native-protocol-unix auth-anonymous=1" 2>>"$E2E_ROOT/pulse.err" &
    PULSE_PIDS="$! $PULSE_PIDS"
    SERVER_PID=$!
    e2e_wait_until 10 "no PulseAudio server" pulse_up
    parec -d korvane.monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=10 \
        >"$1" &
    PULSE_PIDS="$! $PULSE_PIDS"
    RECORDER_PID=$!
}
if [ "$MODE" = pulse ]; then
    export XDG_RUNTIME_DIR=$E2E_ROOT/run PULSE_SERVER=unix:$E2E_ROOT/run/pulse/native
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    HEARD=$E2E_ROOT/monitor.raw
    start_pulse "$HEARD"
    E2E_AUDIO_DRIVER=pulseaudio e2e_start_game "$GAME"
else
    e2e_start_heard_game "$GAME"
    HEARD=$SDL_DISKAUDIOFILE
fi
e2e_title_window
click_at() { xdotool mousemove --window "$WINDOW" "$1" "$2" && sleep 0.25 && xdotool click 1; }
# next TEXT: how many times TEXT is logged once it comes again (asked before what brings it).
next() { echo $(($(grep -cxF "$1" "$E2E_ROOT/game.out") + 1)); }
saves() { grep -c "^Saving score for : " "$E2E_ROOT/game.out"; }

# play_song Y CLICKS: PLAY, the song at y, the speed's left arrow CLICKS times from Slow, Play.
play_song() {
    local n
    n=$(next "Scene Music Select starting")
    click_at 500 362 # PLAY
    e2e_wait_line "Scene Music Select starting" "$n" 10
    sleep 0.3
    click_at 400 "$1"
    sleep 0.3
    for _ in $(seq "$2"); do click_at 546 457; done
    n=$(next "Scene Battle starting")
    click_at 520 485 # Play
    e2e_wait_line "Scene Battle starting" "$n" 10
}

# The late player, uncalibrated on the opening, then on the audio sync screen; back at the title.
calibrate() {
    local n proposed error deadline
    play_song 48 "$SPEED_CLICKS"
    SPEED_CLICKS=0 # the browser keeps the speed
    python3 "$HERE/perfect_player.py" "$E2E_ROOT/opening.csv" "$E2E_ROOT/game.out" "$HEARD" \
        "$HELD" "$STEP" "$LAG_MS" || e2e_fail "the scripted player failed on the opening"
    deadline=$((SECONDS + 20))
    # Any rating but 0 is saved as the result screen opens; a click skips its 4-second count.
    while [ "$(saves)" = 0 ] && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    n=$(next "Scene Music Select starting")
    if [ "$(saves)" = 1 ]; then
        score_file=$(sed -n 's/^Saving score for : //p' "$E2E_ROOT/game.out")
        rating=$(od -An -tu4 -j$((4 * SLOT)) -N4 --endian=little "$score_file" | tr -d ' ')
        [ "$rating" != 100 ] || e2e_fail "perfect without calibration, $LAG_MS ms late"
        echo "uncalibrated, $LAG_MS ms late: $rating % on the opening"
        xdotool click 1 && sleep 0.3
    fi
    xdotool click 1 # continue
    e2e_wait_line "Scene Music Select starting" "$n" 10
    sleep 0.3
    n=$(next "Scene Title starting")
    click_at 520 575 # Back
    e2e_wait_line "Scene Title starting" "$n" 10
    sleep 0.3
    click_at 500 446 # OPTIONS
    e2e_wait_line "Scene Options starting" 1 10
    sleep 0.3
    click_at 150 410 # Audio Sync
    e2e_wait_line "Scene Audio Sync starting" 1 10
    python3 "$HERE/perfect_player.py" --taps "$HEARD" "$HELD" "$STEP" "$LAG_MS" ||
        e2e_fail "the clicks were not tapped"
    e2e_wait_until 5 "no offset proposed" grep -q "^Audio sync : " "$E2E_ROOT/game.out"
    proposed=$(sed -n 's/^Audio sync : .*proposed offset \(-*[0-9]*\) ms$/\1/p' "$E2E_ROOT/game.out")
    echo "proposed offset for a player $LAG_MS ms late: $proposed ms"
    error=$((proposed - LAG_MS))
    [ "${error#-}" -le 20 ] || e2e_fail "proposed offset $proposed ms for a lag of $LAG_MS ms"
    sleep 0.1 # the last tap's frame
    e2e_screenshot audio-sync-by-ear
    click_at 330 520 # Next
    sleep 2.5        # the count-in: beams fall
    e2e_screenshot audio-sync-by-eye
    click_at 330 520 # Save
    e2e_wait_line "Scene Options starting" 2 10
    grep -qx "AudioOffset=$proposed" "$XDG_CONFIG_HOME/korvane/settings.ini" ||
        e2e_fail "the offset was not saved"
    sleep 0.3
    n=$(next "Scene Title starting")
    click_at 400 520 # BACK
    e2e_wait_line "Scene Title starting" "$n" 10
}

[ "$MODE" != late ] || calibrate
saved_before=$(saves)
analysed="Min intensity = $(sed -n 's/^# min_intensity: //p' "$E2E_ROOT/map.csv")"
analysed_n=$(next "$analysed")
level_n=$(next "Bytes per lines : $PER_LINE")
play_song "$SONG_Y" "$SPEED_CLICKS"
PLAYER=python3
if [ "$MODE" = pulse ]; then
    ffmpeg -v error -i "$songs/02-korvane-rising.ogg" -f s16le -ar 44100 -ac 2 "$E2E_ROOT/song.raw" ||
        e2e_fail "the song decoded"
    export RESTART_HEARD=$E2E_ROOT/monitor-after.raw SONG_RAW=$E2E_ROOT/song.raw
    PLAYER=/usr/bin/python3 # numpy
fi
$PLAYER "$HERE/perfect_player.py" "$E2E_ROOT/map.csv" "$E2E_ROOT/game.out" "$HEARD" "$HELD" \
    "$STEP" "$LAG_MS" >"$E2E_ROOT/player.out" &
PLAYER_PID=$!
e2e_wait_line "$analysed" "$analysed_n" 60
e2e_wait_line "Bytes per lines : $PER_LINE" "$level_n" 60
if [ "$MODE" = pulse ]; then
    # The server killed 5 s into the song and started again 2 s later: sound must be
    # back in its monitor within 3 s, and the player goes on from what it hears there.
    sleep 8 # the count-in and 5 s of the song
    kill -KILL "$SERVER_PID" "$RECORDER_PID"
    wait "$SERVER_PID" "$RECORDER_PID" 2>/dev/null
    sleep 2
    start_pulse "$E2E_ROOT/monitor-after.raw"
    heard_again() { od -An -v -tx1 "$E2E_ROOT/monitor-after.raw" | grep -q '[1-9a-f]'; }
    e2e_wait_until 3 "no sound within 3 s of the server's return" heard_again
    e2e_wait_line "The audio device plays again" 1 1
    sleep 20
else
    sleep 18 # the song's busiest moment, for the picture
fi
e2e_screenshot "perfect-battle-$MODE"
wait "$PLAYER_PID" || e2e_fail "the scripted player failed: $(cat "$E2E_ROOT/player.out")"
PLAYER_PID=
cat "$E2E_ROOT/player.out"

# The highscore is saved before the result screen shows anything (logged, then written).
deadline=$((SECONDS + 20))
until score_file=$(sed -n 's/^Saving score for : //p' "$E2E_ROOT/game.out" |
    sed -n "$((saved_before + 1))p") && [ -f "$score_file" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "no highscore saved"
    sleep 0.1
done
[ "$(dirname "$score_file")" = "$XDG_DATA_HOME/korvane" ] || e2e_fail "highscore saved in $score_file"
rating=$(od -An -tu4 -j$((4 * SLOT)) -N4 --endian=little "$score_file" | tr -d ' ')
if [ "$MODE" = pulse ]; then
    least=$(sed -n 's/.*; at least \([0-9]*\) %$/\1/p' "$E2E_ROOT/player.out")
    [ -n "$least" ] && [ "$rating" -ge "$least" ] ||
        e2e_fail "highscore $rating after the server's restart, at least ${least:-?} expected"
    [ "$(grep "audio device" "$E2E_ROOT/game.out")" = "$(printf '%s\n' \
        "The audio device stopped playing; the game goes on without sound" \
        "The audio device plays again")" ] || e2e_fail "the device lost other than by the restart"
    # While the server is away the lane runs on: the sound comes back where it stands then.
    read -r ran waited < <(sed -n 's/.* \([0-9.]*\) s after it went away, \([0-9.]*\) s later$/\1 \2/p' \
        "$E2E_ROOT/player.out")
    awk -v ran="${ran:-0}" -v waited="${waited:-0}" 'BEGIN { exit !(ran >= 1.95 && ran <= waited + 0.05) }' ||
        e2e_fail "the sound came back ${ran:-?} s into the song after it went away, ${waited:-?} s later"
    echo "PASS ($MODE): sound back in the new server's monitor, $rating % saved (at least $least)"
    exit 0
fi
[ "$rating" = 100 ] || e2e_fail "highscore at the speed played is $rating, not 100"

# The trophy comes after the 3-second count; compared where its picture is not transparent.
trophy=$(dirname "$GAME")/data/PerfectTrophy.png
deadline=$((SECONDS + 15))
until import -window "$WINDOW" -crop 100x96+350+250 +repage "$E2E_ROOT/shown.png" &&
    convert "$E2E_ROOT/shown.png" \( "$trophy" -transparent '#FF00FF' \) -composite \
        "$E2E_ROOT/expected.png" &&
    [ "$(compare -metric AE "$E2E_ROOT/shown.png" "$E2E_ROOT/expected.png" null: 2>&1)" = 0 ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the result screen shows no perfect trophy"
    sleep 0.5
done
e2e_screenshot "perfect-result-$MODE"
n=$(next "Scene Music Select starting")
xdotool click 1 # continue
e2e_wait_line "Scene Music Select starting" "$n" 10
! grep -q "audio device" "$E2E_ROOT/game.out" || e2e_fail "the audio device was taken for lost"
echo "PASS ($MODE): 100 saved at the speed played, the perfect trophy shown"
