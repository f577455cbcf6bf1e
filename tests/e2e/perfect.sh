#!/bin/bash
# The real game under a private X server, a perfect game: PLAY, a demo song in the music
# browser, Play at the Slow speed; a scripted player (perfect_player.py) plans the shield's
# moves from korvane-analyze's map of the song and makes them with relative pointer motion as
# the song is heard (SDL's disk audio output). The saved highscore must be 100 at Slow and the
# result screen must show the perfect trophy: catching, the time base, the audio clock and
# the save in one run. Usage: perfect.sh KORVANE KORVANE_ANALYZE [ARTEFACT_FOLDER]
set -u
GAME=$1
ANALYZE=$2
ARTEFACTS=${3:-}
HERE=$(dirname "$0")
. "$HERE/session.sh"
PLAYER_PID=
trap '[ -z "$PLAYER_PID" ] || kill "$PLAYER_PID" 2>/dev/null; e2e_cleanup' EXIT

e2e_temp_home
# The shortest demo song, alone in a folder, so that it is row 1, below "..".
songs=$E2E_ROOT/songs
mkdir -p "$songs"
cp "$(dirname "$GAME")/music/02-korvane-rising.ogg" "$songs/" || e2e_fail "no demo song"
"$ANALYZE" "$songs/02-korvane-rising.ogg" >"$E2E_ROOT/map.csv" 2>/dev/null || e2e_fail "analysis"
mkdir -p "$XDG_CONFIG_HOME/korvane"
printf 'CurrentPath=%s/\nSeparateHS=1\n' "$songs" >"$XDG_CONFIG_HOME/korvane/settings.ini"

e2e_start_xvfb
e2e_start_heard_game "$GAME"
e2e_title_window
click_at() { xdotool mousemove --window "$WINDOW" "$1" "$2" && sleep 0.25 && xdotool click 1; }

click_at 500 362 # PLAY
e2e_wait_line "Scene Music Select starting" 1 10
sleep 0.3
click_at 400 48 # the song
sleep 0.3
click_at 520 485 # Play, at the default speed (Slow)
e2e_wait_line "Scene Battle starting" 1 10
python3 "$HERE/perfect_player.py" "$E2E_ROOT/map.csv" "$E2E_ROOT/game.out" "$SDL_DISKAUDIOFILE" &
PLAYER_PID=$!
e2e_wait_line "Min intensity = $(sed -n 's/^# min_intensity: //p' "$E2E_ROOT/map.csv")" 1 60
e2e_wait_line "Bytes per lines : 880" 1 60
sleep 48 # the song's busiest moment, for the picture
e2e_screenshot perfect-battle
wait "$PLAYER_PID" || e2e_fail "the scripted player failed"
PLAYER_PID=

# The highscore is saved before the result screen shows anything (logged, then written).
deadline=$((SECONDS + 20))
until score_file=$(sed -n 's/^Saving score for : //p' "$E2E_ROOT/game.out") && [ -f "$score_file" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "no highscore saved"
    sleep 0.1
done
[ "$(dirname "$score_file")" = "$XDG_DATA_HOME/korvane" ] || e2e_fail "highscore saved in $score_file"
slow=$(od -An -tu4 -N4 --endian=little "$score_file" | tr -d ' ')
[ "$slow" = 100 ] || e2e_fail "highscore at Slow is $slow, not 100"

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
e2e_screenshot perfect-result
xdotool click 1 # continue
e2e_wait_line "Scene Music Select starting" 2 10
echo "PASS: 100 at Slow saved, the perfect trophy shown"
