#!/bin/bash
# SIGTERM while the title menu is shown ends the game like its close button: the title's
# end line, "The End" and exit code 0. (SIGINT cannot be checked from here: a script's
# background jobs start with it ignored.) Usage: sigterm.sh KORVANE_EXECUTABLE
set -u
GAME=$1
. "$(dirname "$0")/session.sh"
e2e_begin
e2e_start_xvfb
e2e_start_game "$GAME"
e2e_wait_line "Scene Title starting" 1 20
kill -s TERM "$E2E_GAME_PID"
e2e_wait_exit 10
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE"
[ "$(e2e_scene_sequence)" = "Splash,Title" ] || e2e_fail "scenes $(e2e_scene_sequence)"
[ "$(tail -n2 "$E2E_ROOT/game.out")" = "$(printf 'Scene Title ending\nThe End')" ] ||
    e2e_fail "the log does not end with the title's end line and The End"
echo "PASS: SIGTERM on the title gives The End and exit code 0"
