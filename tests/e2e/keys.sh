#!/bin/bash
# The real game played by keys alone, each key pressed and released at once as `xdotool key`
# (and a fast typist) does. The title: a first Enter highlights PLAY, the second takes it. The
# browser, on a folder of 30 songs and three named in Thai, Hindi and Bengali: Home, Down, a
# wait and Enter play the second entry, the first song (a tap moves once, however long the
# wait); with the keyboard's layout set to Thai, Hindi (Devanagari) and Bengali, the first
# letter of each name finds it; Right sets the speed Normal, Ctrl+R shuffles the songs; Esc
# goes back. Options by Down and Enter, then the audio sync screen by
# Up, Up, Enter, played by keys alone: Space on 16 clicks, Enter (Next), Right twice (+10 ms),
# Enter (Save) writes the proposed offset plus 10 ms; back in Options the highlight is still on
# Audio Sync, so Enter opens it again; Esc, Esc, Up (QUIT) and Enter end the game.
# Usage: keys.sh KORVANE_EXECUTABLE [ARTEFACT_FOLDER]
set -u
GAME=$1
ARTEFACTS=${2:-}
. "$(dirname "$0")/session.sh"
e2e_begin
top=$E2E_ROOT/music
mkdir -p "$top"
e2e_tone_mp3 "$E2E_ROOT/tone.mp3"
for i in $(seq -w 1 30); do ln "$E2E_ROOT/tone.mp3" "$top/Song $i.mp3"; done
for name in กุ้งเผา कमल কেমন; do ln "$E2E_ROOT/tone.mp3" "$top/$name.mp3"; done
settings=$XDG_CONFIG_HOME/korvane/settings.ini
mkdir -p "$XDG_CONFIG_HOME/korvane"
echo "CurrentPath=$top/" >"$settings"

e2e_start_xvfb
e2e_start_game "$GAME"
e2e_title_window
xdotool windowfocus --sync "$WINDOW"
# key KEY...: each pressed and released at once, a short settle after each.
key() {
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.2
    done
}
next() { echo $(($(grep -cxF "$1" "$E2E_ROOT/game.out") + 1)); } # the next count of a line

key Return
sleep 0.5
grep -qx "Scene Music Select starting" "$E2E_ROOT/game.out" &&
    e2e_fail "a first Enter with nothing highlighted left the title"
key Return
e2e_wait_line "Scene Music Select starting" 1 10
sleep 0.5
key Home Down
sleep 1.5 # a tap that went on repeating would be at the end of the list by now
key Return
e2e_wait_line "Scene Battle starting" 1 10
e2e_wait_until 20 "the battle did not play the song" grep -q "^Playing " "$E2E_ROOT/game.out"
played=$(sed -n 's/^Playing //p' "$E2E_ROOT/game.out" | head -n1)
[ "$played" = "$top/Song 01.mp3" ] || e2e_fail "Home, Down, Enter played '$played'"
key q
e2e_wait_line "Scene Music Select starting" 2 10
sleep 0.5
# Type-to-find in scripts without case, whose letters SDL garbles: the layout tells them.
n=2
for find in "th::Thai_kokai:กุ้งเผา" "in:deva:U0915:कमल" "in:ben:U0995:কেমন"; do
    IFS=: read -r layout variant keysym name <<<"$find"
    setxkbmap -layout "$layout" ${variant:+-variant "$variant"} || e2e_fail "setxkbmap $layout"
    sleep 0.3
    key Home "$keysym"
    setxkbmap us
    sleep 0.3
    key Return
    e2e_wait_line "Scene Battle starting" "$n" 10
    e2e_wait_until 20 "the battle did not play $name" \
        eval '[ "$(grep -c "^Playing " "$E2E_ROOT/game.out")" -ge "$n" ]'
    played=$(sed -n 's/^Playing //p' "$E2E_ROOT/game.out" | tail -n1)
    [ "$played" = "$top/$name.mp3" ] || e2e_fail "$layout($variant) $keysym played '$played'"
    key q
    n=$((n + 1))
    e2e_wait_line "Scene Music Select starting" "$n" 10
    sleep 0.5
done
key Right
e2e_wait_file_line "$settings" "Speed=Normal" 5
rows=$(e2e_region "$WINDOW" 0 48 780 380)
key ctrl+r
e2e_wait_until 5 "Ctrl+R did not shuffle the songs" \
    eval '[ "$(e2e_region "$WINDOW" 0 48 780 380)" != "$rows" ]'
key Escape
e2e_wait_line "Scene Title starting" 2 10
sleep 0.3
key Down Down Down Return # PLAY, HOW TO PLAY, OPTIONS
e2e_wait_line "Scene Options starting" 1 10
sleep 0.3
key Up Up Return # BACK, then Audio Sync
e2e_wait_line "Scene Audio Sync starting" 1 10
sleep 1
for _ in $(seq 16); do
    xdotool key space
    sleep 0.6 # 100 clicks a minute
done
e2e_wait_until 5 "no verdict after 16 taps" grep -q "^Audio sync : " "$E2E_ROOT/game.out"
proposed=$(sed -n 's/^Audio sync : .*proposed offset \(-*[0-9]*\) ms$/\1/p' "$E2E_ROOT/game.out")
e2e_screenshot keys-audio-sync-by-ear
key Return # Next
sleep 1
key Right Right
e2e_screenshot keys-audio-sync-by-eye
key Return # Save
e2e_wait_line "Scene Options starting" 2 10
expected=$((proposed + 10))
e2e_wait_file_line "$settings" "AudioOffset=$expected" 5
sleep 0.3
key Return # the highlight is still on Audio Sync
e2e_wait_line "Scene Audio Sync starting" 2 10
sleep 0.3
key Escape
e2e_wait_line "Scene Options starting" 3 10
sleep 0.3
key Escape
e2e_wait_line "Scene Title starting" 3 10
sleep 0.3
key Up Return # QUIT
e2e_wait_exit 10
battles="Music Select,Battle,Music Select,Battle,Music Select,Battle,Music Select,Battle"
e2e_check_clean_end "Splash,Title,$battles,Music Select,Title,Options,Audio Sync,Options,Audio Sync,Options,Title"
echo "PASS: by keys alone: the second entry played, Thai, Hindi and Bengali names found, speed" \
    "and shuffle, audio sync saved AudioOffset=$expected (proposed $proposed ms + 10), its" \
    "highlight kept, QUIT"
