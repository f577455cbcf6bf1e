#!/bin/bash
# The real game under a private X server on a folder of every kind of bad file (made by
# make_hostile_folder and, for FLAC, Opus, MP4, WMA and WAV, make-hostile-formats): the browser
# lists them all and every row can be clicked, a refused file logging "Could not load <path>"
# (" (DRM protected)" after it for a locked song); then one battle scene, started on the 0.1 s
# song with continuous play on, goes round the whole folder: continuous play after the short song,
# PageDown once each playable song has started, and the battle's own "Skipping <path>" for
# each file it cannot open. Nothing may hang or crash; each turn's time is printed (the goal
# is 5 s; only a turn past 20 s, a hang, fails the test, as a loaded machine may be slow).
# Run as root, the file without read permission is readable and plays like the others.
# Usage: hostile.sh KORVANE_EXECUTABLE MAKE_HOSTILE_FOLDER
set -u
export LC_ALL=C # names are bytes: one of them is not valid UTF-8
GAME=$1
MAKER=$2
. "$(dirname "$0")/session.sh"
e2e_begin
folder=$E2E_ROOT/hostile
mkdir -p "$folder" && "$MAKER" "$folder" &&
    bash "$(dirname "$0")/../support/make-hostile-formats" "$folder" ||
    e2e_fail "could not make the hostile folder"
mkdir -p "$XDG_CONFIG_HOME/korvane"
printf 'CurrentPath=%s/\nPlayContinuous=1\n' "$folder" >"$XDG_CONFIG_HOME/korvane/settings.ini"

# The browser's rows: "..", the folders, then the songs by type (.mp3, .ogg, .flac, .opus,
# .m4a/.mp4, .wma, .wav), each group in name order: these names sort by value as by bytes.
mapfile -t listed < <(ls -A "$folder" | sort -f)
folders=() songs=()
for name in "${listed[@]}"; do [ -d "$folder/$name" ] && folders+=("$name"); done
for type in mp3 ogg flac opus 'm4a|mp4' wma wav; do
    for name in "${listed[@]}"; do [[ "${name,,}" =~ \.($type)$ ]] && songs+=("$name"); done
done
total=${#songs[@]}
[ "${#folders[@]}" = 1 ] && [ "$total" = 30 ] ||
    e2e_fail "expected one folder and 30 songs, found ${#folders[@]} and $total"
first_song_row=$((1 + ${#folders[@]}))
refused() { # the files no decoder may open: not a regular readable file, or no audio in it
    case "$1" in
    empty.mp3 | noise.mp3 | text.ogg | song.mp3 | pipe.mp3 | loop.mp3) return 0 ;;
    pipe.flac | "no moov.m4a" | "huge mdat.m4a" | "video only.mp4" | "no samples.wav") return 0 ;;
    fairplay.m4a | protected.wma) return 0 ;;
    locked.mp3) [ ! -r "$folder/$1" ] ;;
    *) return 1 ;;
    esac
}
refusal() { # the log line of a refused file
    case "$1" in
    fairplay.m4a | protected.wma) echo "Could not load $folder/$1 (DRM protected)" ;;
    *) echo "Could not load $folder/$1" ;;
    esac
}

e2e_start_xvfb
e2e_start_game "$GAME"
e2e_title_window

click_at() { xdotool mousemove --window "$WINDOW" "$1" "$2" click 1; }
row() { echo $((38 + 20 * $1)); } # the middle of list row N
scroll=0
click_entry() { # wheels list entry N into the 20 rows shown, then clicks it
    while [ "$1" -lt "$scroll" ]; do xdotool click 4; scroll=$((scroll - 1)); done
    while [ $(($1 - scroll)) -gt 19 ]; do xdotool click 5; scroll=$((scroll + 1)); done
    click_at 400 "$(row $(($1 - scroll)))"
}
count() { grep -c "$@" "$E2E_ROOT/game.out"; }
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
opened_in_browser() { [ "$(grep -c '^debug: Opening music file$' "$E2E_ROOT/game.err")" -ge "$1" ]; }
logged() { [ "$(count -xF "$1")" -ge 1 ]; }
started_playing() { [ "$(count '^Bytes per lines : ')" -ge "$1" ]; }
turns_on() { count -e '^Skipping ' -e '^Decode progress : 100 %$' -e '^Scene Battle ending$'; }

click_at 500 362 # PLAY
e2e_wait_line "Scene Music Select starting" 1 10

# The folder named song.mp3 opens and ".." comes back; then every song row is clicked.
settings=$XDG_CONFIG_HOME/korvane/settings.ini
click_at 400 "$(row 1)"
e2e_wait_file_line "$settings" "CurrentPath=$folder/song.mp3/" 10
click_at 400 "$(row 0)"
e2e_wait_file_line "$settings" "CurrentPath=$folder/" 10
for i in "${!songs[@]}"; do
    click_entry $((first_song_row + i))
    e2e_wait_until 10 "no click on ${songs[$i]}" opened_in_browser $((i + 1))
    if refused "${songs[$i]}"; then
        e2e_wait_until 5 "no line for ${songs[$i]}" logged "$(refusal "${songs[$i]}")"
    fi
done
for name in "${songs[@]}"; do
    refused "$name" || ! logged "Could not load $folder/$name" || e2e_fail "$name was refused"
done

# The battle starts on the short song and goes round the list once.
short=-1
for i in "${!songs[@]}"; do [ "${songs[$i]}" = short.mp3 ] && short=$i; done
click_entry $((first_song_row + short))
click_at 520 495 # Play
e2e_wait_line "Scene Battle starting" 1 10
played=0
report=()
start=$(now_ms)
for step in $(seq 0 $((total - 1))); do
    i=$(((short + step) % total))
    name=${songs[$i]}
    if refused "$name"; then
        e2e_wait_until 20 "$name not skipped" logged "Skipping $folder/$name"
        outcome="skipped"
        [ "$step" = $((total - 1)) ] && xdotool key --window "$WINDOW" q # wrapped round: leave
    else
        played=$((played + 1))
        e2e_wait_until 20 "$name did not start" started_playing $played
        if [ "$step" = $((total - 1)) ]; then
            xdotool key --window "$WINDOW" q
            outcome="played, Q"
        elif [ "$name" = short.mp3 ]; then
            # Played to its end; clicks cycle the shield, then leave the result screen.
            before=$(turns_on)
            until [ "$(turns_on)" -gt "$before" ]; do
                click_at 400 300
                sleep 0.25
                [ $(($(now_ms) - start)) -lt 20000 ] || e2e_fail "the short song did not end"
            done
            outcome="played to its end, continuous"
        else
            xdotool key --window "$WINDOW" Page_Down
            outcome="played, PageDown"
        fi
    fi
    end=$(now_ms)
    report+=("$(printf '%5d ms  %-30s %q' $((end - start)) "$outcome" "$name")")
    start=$end
done
e2e_wait_line "Scene Music Select starting" 2 20


click_at 520 579 # Back
e2e_wait_line "Scene Title starting" 2 10
click_at 500 530 # QUIT
e2e_wait_exit 10
e2e_check_clean_end "Splash,Title,Music Select,Battle,Music Select,Title"
printf '%s\n' "${report[@]}"
echo "PASS: $played played, $((total - played)) skipped, exit code 0"
