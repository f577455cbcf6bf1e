#!/bin/bash
# The real game under a private X server, played with the mouse through every menu:
# OPTIONS, the continuous-play box, BACK, HOW TO PLAY and three clicks, CREDITS and
# "Main Menu", then QUIT. Usage: menus.sh KORVANE_EXECUTABLE [ARTEFACT_FOLDER]
set -u
GAME=$1
ARTEFACTS=${2:-}
. "$(dirname "$0")/session.sh"
e2e_begin
e2e_start_xvfb
start=$SECONDS
e2e_start_game "$GAME"
e2e_wait_line "Scene Splash starting" 1 20
splash_start=$(date +%s%N)
e2e_wait_line "Scene Title starting" 1 20
splash_ms=$((($(date +%s%N) - splash_start) / 1000000))
echo "splash: about $splash_ms ms from its start line to the title's (50 ms polling)"

WINDOW=$(timeout 10 xdotool search --sync --name "Korvane Zaduza" | head -n1)
[ -n "$WINDOW" ] || e2e_fail "no game window"

# Moves onto window-relative (x, y) first, as a player would, then presses the left button.
click_at() {
    xdotool mousemove --window "$WINDOW" "$1" "$2"
    sleep 0.15
    xdotool click 1
}

# Nothing marks a drawn frame: a short pause before a screenshot, which only serves as an
# artefact (nothing is checked on it).
settle() { sleep 0.3; }

screenshot() {
    [ -n "$ARTEFACTS" ] || return 0
    mkdir -p "$ARTEFACTS"
    import -window root "$ARTEFACTS/$1.png" || e2e_fail "screenshot $1"
}

# Title: hover PLAY for the screenshot, then OPTIONS (entries are centred on x = 500).
xdotool mousemove --window "$WINDOW" 500 362
settle
screenshot menus-title
click_at 500 446
e2e_wait_line "Scene Options starting" 1 10

settle
screenshot menus-options
click_at 110 212 # the continuous-play box
e2e_wait_file_line "$XDG_CONFIG_HOME/korvane/settings.ini" "PlayContinuous=1" 10
click_at 400 522 # BACK
e2e_wait_line "Scene Title starting" 2 10

click_at 500 404 # HOW TO PLAY
e2e_wait_line "Scene How To Play starting" 1 10
for page in 1 2; do
    shown=$(e2e_region "$WINDOW" 0 0 800 600)
    click_at 400 300
    e2e_wait_until 5 "page $page did not turn" \
        eval '[ "$(e2e_region "$WINDOW" 0 0 800 600)" != "$shown" ]'
done
click_at 400 300
e2e_wait_line "Scene Title starting" 3 10

click_at 500 488 # CREDITS & INFO
e2e_wait_line "Scene Credits starting" 1 10
click_at 650 562 # Main Menu
e2e_wait_line "Scene Title starting" 4 10

click_at 500 530 # QUIT
e2e_wait_exit 10
elapsed=$((SECONDS - start))

sequence="Splash,Title,Options,Title,How To Play,Title,Credits,Title"
e2e_check_clean_end "$sequence"
[ "$(grep -c '^Scene .* ending$' "$E2E_ROOT/game.out")" = 8 ] || e2e_fail "unpaired scene lines"
# (the window's size, chosen at the first start, is scale.sh's)
settings=$(grep -v '^[#;[]' "$XDG_CONFIG_HOME/korvane/settings.ini" | grep -v '^$' |
    grep -v '^WindowScale=')
[ "$settings" = "PlayContinuous=1" ] || e2e_fail "settings file holds '$settings'"
echo "PASS: $sequence, exit code 0, settings '$settings', $elapsed s"
