#!/bin/bash
# A score earned on a full disk is not lost: the real game plays a short song whose low notes
# Minim's shield catches where it stands, on a 1 MB tmpfs holding the player's data that is
# full; the result screen says why nothing was saved and the log names the file and the
# reason; the disk is freed and the window closed, and the score is in the file after the
# game ended. Needs root (the tmpfs); without it the test is skipped (exit code 77).
# Usage: fulldisk.sh KORVANE
set -u
GAME=$1
. "$(dirname "$0")/session.sh"
[ "$(id -u)" = 0 ] || { echo "SKIP: mounting a tmpfs needs root"; exit 77; }
e2e_begin
trap 'umount "$XDG_DATA_HOME" 2>/dev/null; e2e_cleanup' EXIT
mount -t tmpfs -o size=1m tmpfs "$XDG_DATA_HOME" || e2e_fail "no tmpfs"
mkdir -p "$XDG_DATA_HOME/korvane" "$XDG_CONFIG_HOME/korvane"
dd if=/dev/zero of="$XDG_DATA_HOME/filler" bs=4k 2>/dev/null # until the disk is full
printf 'SeparateHS=1\n' >"$XDG_CONFIG_HOME/korvane/settings.ini"
# Four notes from D2 to F2: the columns right under Minim at the start.
song=$E2E_ROOT/low.wav
sox -q -n -r 44100 -c 2 -b 16 "$song" synth 0.6 sine 73.4 : synth 0.6 sine 77.8 \
    : synth 0.6 sine 82.4 : synth 0.6 sine 87.3 gain -3 || e2e_fail "sox"

e2e_start_xvfb
e2e_start_game "$GAME" "$song"
e2e_wait_line "Scene Music Select starting" 1 30
WINDOW=$(timeout 10 xdotool search --sync --name "Korvane Zaduza" | head -n1)
[ -n "$WINDOW" ] || e2e_fail "no game window"
xdotool key --window "$WINDOW" Return # the song, selected by the command line
e2e_wait_until 60 "the save did not fail" \
    grep -q "^Unable to write the highscore file .*(No space left on device)" "$E2E_ROOT/game.out"
file=$(sed -n 's/^Unable to write the highscore file \(.*\.hs\) (No space.*/\1/p' "$E2E_ROOT/game.out")
[ -n "$file" ] && [ ! -s "$file" ] || e2e_fail "the highscore file $file"
# Freed, and the game closed from the result screen: only the end of the game tries again.
rm -f "$XDG_DATA_HOME/filler"
kill -s TERM "$E2E_GAME_PID"
e2e_wait_exit 20
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE"
rating=$(od -An -td4 -N4 "$file" 2>/dev/null | tr -d ' ')
[ "$rating" -gt 0 ] 2>/dev/null || e2e_fail "no score in $file after the game ended"
[ "$(tail -n1 "$E2E_ROOT/game.out")" = "The End" ] || e2e_fail "the log does not end with The End"
echo "PASS: a score of $rating % earned on a full disk was written when the game ended"
