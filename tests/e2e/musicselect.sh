#!/bin/bash
# The real game under a private X server, the road of a song through the music browser:
# PLAY on the title opens the browser on a prepared folder (two sub-folders and the demo
# songs); a hovered row is highlighted; a clicked song is heard (SDL's disk audio output);
# the speed arrows cycle Slow, Normal, Fast; in a folder of 25 entries Randomize keeps the
# folders on top and the wheel and the thumb scroll the list; Play opens the battle's
# loading screen and Q comes back to the same order, scroll position and selection; a song
# deleted since the listing is selected but silent; Back and QUIT end the game. Started again
# and driven by keys alone, the game keeps the speed chosen, Backspace selects the folder left
# and Enter opens it, typing finds a song, Enter plays it, Esc goes back, F11 switches full
# screen. Usage: musicselect.sh KORVANE_EXECUTABLE [ARTEFACT_FOLDER]
set -u
GAME=$1
ARTEFACTS=${2:-}
. "$(dirname "$0")/session.sh"
e2e_begin
# The prepared folder: "Many" and "More" (each two sub-folders and 22 untagged songs), then
# the demo songs. Both sub-folders look alike, so the row the file system gives each does
# not matter.
top=$E2E_ROOT/music
mkdir -p "$top/Many/A folder" "$top/Many/B folder"
e2e_tone_mp3 "$E2E_ROOT/tone.mp3"
for i in $(seq -w 1 22); do ln "$E2E_ROOT/tone.mp3" "$top/Many/Song $i.mp3"; done
cp -al "$top/Many" "$top/More"
cp "$(dirname "$GAME")"/music/*.mp3 "$(dirname "$GAME")"/music/*.ogg "$top/"
mkdir -p "$XDG_CONFIG_HOME/korvane"
echo "CurrentPath=$top/" >"$XDG_CONFIG_HOME/korvane/settings.ini"

e2e_start_xvfb
e2e_start_heard_game "$GAME"
e2e_title_window

# Nothing marks the frame that took a pointer move or a click: a short settle follows each.
point() { xdotool mousemove --window "$WINDOW" "$1" "$2"; sleep 0.25; }
click_at() { point "$1" "$2"; xdotool click 1; sleep 0.25; }
row() { echo $((38 + 20 * $1)); } # the middle of list row N
# A checksum of the window's pixels in the rectangle W x H at (X, Y), as the screen shows now.
region() { e2e_region "$WINDOW" "$@"; }
changed() { [ "$(region "$1" "$2" "$3" "$4")" != "$5" ]; } # X Y W H OLD_CHECKSUM
audio_bytes() { stat -c %s "$SDL_DISKAUDIOFILE"; }
# True when the capture holds a non-zero byte after its first $1 bytes.
heard_after() { [ "$(tail -c +$(($1 + 1)) "$SDL_DISKAUDIOFILE" | tr -d '\000' | head -c 1 | wc -c)" = 1 ]; }
captured_past() { [ "$(audio_bytes)" -gt "$1" ]; }

click_at 500 362 # PLAY
e2e_wait_line "Scene Music Select starting" 1 10
quiet_from=$(audio_bytes) # the splash's logo sound is over
point 400 520
plain=$(region 0 88 780 20)
point 400 "$(row 3)"
[ "$(region 0 88 780 20)" != "$plain" ] || e2e_fail "the hovered row is not highlighted"

before=$(audio_bytes)
heard_after "$quiet_from" && e2e_fail "sound before any song was clicked"
click_at 400 "$(row 3)" # the first demo song
e2e_wait_until 10 "the clicked song is not heard" heard_after "$before"
point 520 495 # on Play, which now shows
e2e_screenshot musicselect-browser

slow=$(region 560 440 120 30)
click_at 696 457
normal=$(region 560 440 120 30)
click_at 696 457
fast=$(region 560 440 120 30)
click_at 696 457
[ "$slow" != "$normal" ] && [ "$normal" != "$fast" ] && [ "$fast" != "$slow" ] &&
    [ "$(region 560 440 120 30)" = "$slow" ] || e2e_fail "the speed arrows do not cycle three speeds"
click_at 696 457 # Normal, for the next start
settings=$XDG_CONFIG_HOME/korvane/settings.ini
grep -qx "Speed=Normal" "$settings" || e2e_fail "the speed chosen is not saved"

click_at 400 "$(row 1)" # into Many or More: "..", two folders, 22 songs
point 400 520
folders=$(region 0 28 780 60)
songs=$(region 0 88 780 340)
click_at 520 537 # Randomize
point 400 520
[ "$(region 0 28 780 60)" = "$folders" ] || e2e_fail "Randomize moved the folders"
[ "$(region 0 88 780 340)" != "$songs" ] || e2e_fail "Randomize left the songs in order"

top_thumb=$(region 776 28 16 16)
bottom_thumb=$(region 776 412 16 16)
point 400 200
xdotool click --repeat 10 --delay 40 5
e2e_wait_until 5 "the wheel did not scroll to the end" changed 776 412 16 16 "$bottom_thumb"
point 784 420
xdotool mousedown 1
point 784 200
point 784 20
xdotool mouseup 1
point 400 520 # no row hovered: the highlight reaches under the thumb
[ "$(region 776 28 16 16)" = "$top_thumb" ] && [ "$(region 776 412 16 16)" = "$bottom_thumb" ] ||
    e2e_fail "dragging the thumb up did not scroll back to the top"

point 400 200
xdotool click --repeat 3 --delay 40 5
click_at 400 "$(row 8)"
point 520 495
list=$(region 0 20 800 408)
xdotool click 1 # Play
e2e_wait_line "Scene Battle starting" 1 10
e2e_wait_until 10 "the battle shows no loading progress" \
    grep -q '^Decode progress : ' "$E2E_ROOT/game.out"
e2e_screenshot musicselect-battle
xdotool key --window "$WINDOW" q
e2e_wait_line "Scene Music Select starting" 2 20
back=$(audio_bytes)
grep -q '^Decode progress : ' "$E2E_ROOT/game.out" || e2e_fail "the battle did not load the song"
point 520 500
point 520 495
[ "$(region 0 20 800 408)" = "$list" ] || e2e_fail "after the battle the list differs"
heard_after "$back" || e2e_fail "the played song is not previewed after the battle"

selected=$(region 0 $(($(row 8) - 10)) 8 20) # left of the text: the background only
panel=$(region 10 436 330 30)                 # "Select a file to play"
rm "$top"/Many/Song* "$top"/More/Song*
click_at 400 "$(row 9)" # a song deleted since the listing
gone=$(audio_bytes)
e2e_wait_until 10 "the deleted song was not tried" grep -qF "Could not load $top/M" "$E2E_ROOT/game.out"
e2e_wait_until 10 "the sound output stopped" captured_past $((gone + 65536))
point 520 500
[ "$(region 0 $(($(row 9) - 10)) 8 20)" != "$selected" ] || e2e_fail "a deleted song stays selected"
[ "$(region 10 436 330 30)" != "$panel" ] || e2e_fail "the panel does not say the song is gone"
heard_after $((gone + 16384)) && e2e_fail "a deleted song is heard"

point 400 520
unmarked=$(region 420 560 70 36)
point 520 579
[ "$(region 420 560 70 36)" != "$unmarked" ] || e2e_fail "Back shows no marker under the pointer"
xdotool click 1 # Back
e2e_wait_line "Scene Title starting" 2 10
click_at 500 530 # QUIT
e2e_wait_exit 10

sequence="Splash,Title,Music Select,Battle,Music Select,Title"
e2e_check_clean_end "$sequence"

# Again, with keys alone. The browser opens in the folder last shown (its songs are gone).
keys() { xdotool key --window "$WINDOW" --delay 60 "$@"; sleep 0.25; }
mv "$E2E_ROOT/game.out" "$E2E_ROOT/first-run.out"
e2e_start_heard_game "$GAME"
e2e_title_window
keys Down Return # PLAY
e2e_wait_line "Scene Music Select starting" 1 10
point 400 520
[ "$(region 560 440 120 30)" = "$normal" ] || e2e_fail "the speed chosen is not kept"
inside=$(region 0 0 780 20)
keys BackSpace
[ "$(region 0 0 780 20)" != "$inside" ] || e2e_fail "Backspace did not go up"
keys Return # the folder left is selected: Enter opens it again
[ "$(region 0 0 780 20)" = "$inside" ] || e2e_fail "after Backspace the folder left is not selected"
keys BackSpace
sleep 1 # the titles are read
before=$(audio_bytes)
keys s # "Sky Village", its preview once the keys rest
e2e_wait_until 10 "the song found by typing is not heard" heard_after "$before"
keys Return
e2e_wait_line "Scene Battle starting" 1 10
e2e_wait_until 20 "the song chosen by keys is not analysed" grep -q '^Decoding complete' "$E2E_ROOT/game.out"
keys q
e2e_wait_line "Scene Music Select starting" 2 20
keys Escape
e2e_wait_line "Scene Title starting" 2 10
keys F11
e2e_wait_file_line "$settings" "FullScreen=1" 5
keys F11
e2e_wait_file_line "$settings" "FullScreen=0" 5
keys Up Return # QUIT
e2e_wait_exit 10
e2e_check_clean_end "$sequence"
echo "PASS: $sequence twice, the second by keys, exit code 0"
