#!/bin/bash
# The real game under a private X server, a perfect game: PLAY, a demo song's first half
# minute in the music browser, Play; a scripted player (perfect_player.py) plans the shield's moves from
# korvane-analyze's map of the song and makes them with relative pointer motion as the song
# is heard. The saved highscore must be 100 at the speed played and the result screen must
# show the perfect trophy: catching, the time base, the audio clock and the save in one run.
# Usage: perfect.sh KORVANE KORVANE_ANALYZE [ARTEFACT_FOLDER [MODE]]; MODE disk (the default):
# Slow, heard through SDL's disk output;
# late: Fast, through the disk output, by a player who hears everything 150 ms late (as through
# wireless headphones): uncalibrated it must not be perfect on the song's first 12 s; then it
# taps on the audio sync screen of Options, whose proposed offset must be its lag within 20 ms
# (a few ms on an idle machine; a loaded one delays taps and the disk output's buffers), saves
# it, and must be perfect on the song.
# Through a PulseAudio server of the run's own, heard in its null sink's monitor, the server
# killed (SIGKILL) at a random moment E2E_KILL_WITHIN ("5 20" unless set) seconds into the song
# at Fast and started again: pulse, 2 s later; pulse10, 10 s later; pause, 2 s later, the game
# paused half a second before the kill and resumed a second after the device plays again;
# preview, 2 s later, while the browser previews the song, 3.5 s after it is clicked. The
# sound must come back within 4 s of the server's return (the server holds a new stream's first
# buffer about 2 s), not before the resume when paused, and the log must say the device stopped
# and played again once each. In a battle, lane_watch.py compares where the lane stands with
# what the monitor hears 3 s into the song, 1 s after the sound came back and 10 s later (30 ms
# at most, after the return against how it read before the loss), and the player, timed by
# what it hears, must rate at least what a player scores who misses every weapon from the loss
# to a second after the return; paused, the sound comes back where the pause held it. The
# preview must come back where it would have been had the server stayed (30 ms at most).
set -u
GAME=$1
ANALYZE=$2
ARTEFACTS=${3:-}
MODE=${4:-disk}
HERE=$(dirname "$0")
export PYTHONDONTWRITEBYTECODE=1 # the players' shared modules leave nothing in the source tree
. "$HERE/session.sh"
. "$HERE/pulse.sh"
PLAYER_PID=
WATCH_PID=
trap '[ -z "$PLAYER_PID" ] || kill "$PLAYER_PID" 2>/dev/null
    [ -z "$WATCH_PID" ] || kill "$WATCH_PID" 2>/dev/null; e2e_cleanup; pulse_end' EXIT
# Per mode: clicks on the speed's left arrow from Slow, bytes per lane row and highscore slot
# at that speed, and what the player hears: frames the file holds before they are heard,
# frames it grows by at once, and how late the player hears them. Through PulseAudio: seconds
# into the song the server is killed and seconds it stays away.
KILL_AT=0 DOWN=0
case $MODE in
disk) SPEED_CLICKS=0 PER_LINE=880 SLOT=0 HELD=2048 STEP=1024 LAG_MS=0 SECONDS_PLAYED=25 ;;
late) SPEED_CLICKS=1 PER_LINE=352 SLOT=2 HELD=2048 STEP=1024 LAG_MS=150 SECONDS_PLAYED=25 ;;
pulse | pulse10 | pause | preview)
    SPEED_CLICKS=1 PER_LINE=352 SLOT=2 HELD=0 STEP=441 LAG_MS=0
    # shellcheck disable=SC2086
    KILL_AT=$(random_seconds ${E2E_KILL_WITHIN:-5 20})
    DOWN=2
    [ "$MODE" != pulse10 ] || DOWN=10
    [ "$MODE" != preview ] || KILL_AT=3.5
    # Long enough for the return (the server's 2 s), the second comparison and the run-out.
    SECONDS_PLAYED=$(awk -v at="$KILL_AT" -v down="$DOWN" -v mode="$MODE" \
        'BEGIN { printf "%d\n", at + (mode == "pause" ? 0 : down) + 20 }')
    ;;
*) echo "unknown mode $MODE" >&2 && exit 2 ;;
esac

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
if [ "$KILL_AT" != 0 ]; then
    pulse_begin
    HEARD=$E2E_ROOT/monitor.raw
    start_pulse "$HEARD"
    E2E_AUDIO_DRIVER=pulseaudio e2e_start_game "$GAME"
    # The song as the game plays it, which what is heard is found in.
    ffmpeg -v error -i "$songs/02-korvane-rising.ogg" -f s16le -ar 44100 -ac 2 "$E2E_ROOT/song.raw" ||
        e2e_fail "the song decoded"
    echo "the server killed $KILL_AT s into the song, for $DOWN s"
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
AFTER=$E2E_ROOT/monitor-after.raw
# outage: the server killed and, DOWN seconds later, started again; the sound must be back in
# its monitor within 4 s of that.
outage() {
    kill_pulse
    sleep "$DOWN"
    start_pulse "$AFTER"
    e2e_wait_until 4 "no sound within 4 s of the server's return" sounds "$AFTER"
}
# watched: what lane_watch.py printed, and that it passed.
watched() {
    wait "$WATCH_PID" || e2e_fail "lane and sound apart: $(cat "$E2E_ROOT/lane.out")"
    WATCH_PID=
    cat "$E2E_ROOT/lane.out"
}

if [ "$MODE" = preview ]; then
    n=$(next "Scene Music Select starting")
    click_at 500 362 # PLAY
    e2e_wait_line "Scene Music Select starting" "$n" 10
    sleep 0.3
    from=$(($(stat -c %s "$HEARD") / 4)) # after the logo's sound
    click_at 400 "$SONG_Y"                # the song, previewed from its start
    $INSTRUMENT /usr/bin/python3 "$HERE/lane_watch.py" --preview "$HEARD" "$from" "$AFTER" "$E2E_ROOT/song.raw" \
        1 >"$E2E_ROOT/lane.out" &
    WATCH_PID=$!
    sleep "$KILL_AT"
    outage
    e2e_wait_line "The audio device plays again" 1 1
    watched
    one_outage_logged || e2e_fail "the device lost other than by the restart"
    echo "PASS ($MODE): the preview back where it would have been"
    exit 0
fi

saved_before=$(saves)
analysed="Min intensity = $(sed -n 's/^# min_intensity: //p' "$E2E_ROOT/map.csv")"
analysed_n=$(next "$analysed")
level_n=$(next "Bytes per lines : $PER_LINE")
play_song "$SONG_Y" "$SPEED_CLICKS"
PLAYER=python3
if [ "$KILL_AT" != 0 ]; then
    export RESTART_HEARD=$AFTER SONG_RAW=$E2E_ROOT/song.raw PAUSED_THROUGH=0
    [ "$MODE" != pause ] || PAUSED_THROUGH=1
    PLAYER=/usr/bin/python3 # numpy
    $INSTRUMENT /usr/bin/python3 "$HERE/lane_watch.py" "$E2E_ROOT/map.csv" "$E2E_ROOT/game.out" "$WINDOW" \
        "$HEARD" "$AFTER" "$SONG_RAW" 1,11 >"$E2E_ROOT/lane.out" &
    WATCH_PID=$!
fi
$INSTRUMENT $PLAYER "$HERE/perfect_player.py" "$E2E_ROOT/map.csv" "$E2E_ROOT/game.out" "$HEARD" "$HELD" \
    "$STEP" "$LAG_MS" >"$E2E_ROOT/player.out" &
PLAYER_PID=$!
e2e_wait_line "$analysed" "$analysed_n" 60
e2e_wait_line "Bytes per lines : $PER_LINE" "$level_n" 60
case $MODE in
pulse | pulse10)
    sleep "$(awk -v at="$KILL_AT" 'BEGIN { print 2 + at }')" # the count-in, then the song
    outage
    e2e_wait_line "The audio device plays again" 1 1
    watched
    ;;
pause)
    sleep "$(awk -v at="$KILL_AT" 'BEGIN { print 2 + at - 0.5 }')"
    xdotool key Escape
    sleep 0.5
    outage_silent() { ! sounds "$AFTER"; }
    kill_pulse
    sleep "$DOWN"
    start_pulse "$AFTER"
    e2e_wait_line "The audio device plays again" 1 4
    sleep 1
    outage_silent || e2e_fail "sound under the pause, before the resume"
    xdotool key Escape
    e2e_wait_until 2 "no sound within 2 s of the resume" sounds "$AFTER"
    watched
    ;;
*) sleep 18 ;; # the song's busiest moment, for the picture
esac
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
if [ "$KILL_AT" != 0 ]; then
    least=$(sed -n 's/.*; at least \([0-9]*\) %$/\1/p' "$E2E_ROOT/player.out")
    [ -n "$least" ] && [ "$rating" -ge "$least" ] ||
        e2e_fail "highscore $rating after the server's restart, at least ${least:-?} expected"
    one_outage_logged || e2e_fail "the device lost other than by the restart"
    # Where the sound came back in the song, and when, from where and when it went away: on
    # as far as the time it was away, or (paused) where the pause held it.
    read -r ran waited < <(sed -n 's/.* \(-*[0-9.]*\) s after it went away, \([0-9.]*\) s later$/\1 \2/p' \
        "$E2E_ROOT/player.out")
    [ "$MODE" = pause ] && expected=0 || expected=${waited:-0}
    awk -v ran="${ran:-99}" -v expected="$expected" \
        'BEGIN { exit !(ran >= expected - 0.1 && ran <= expected + 0.05) }' ||
        e2e_fail "the sound came back ${ran:-?} s into the song after it went away, ${waited:-?} s later"
    echo "PASS ($MODE): the lane and the sound together again, $rating % saved (at least $least)"
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
