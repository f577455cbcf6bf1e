#!/bin/bash
# The window sized for the desktop, under a window manager, on three desktops: on a first start
# it is drawn at the largest scale that fits in about 85 % of the desktop (1366x768: 1,
# 1920x1080: 1.5, 3840x2160: 3), kept as WindowScale; a click lands where the player sees it
# (OPTIONS opens Options); Ctrl+Minus draws it a step smaller and keeps that.
# Usage: scale.sh KORVANE
set -u
GAME=$1
. "$(dirname "$0")/session.sh"
WM_PID=
trap '[ -z "$WM_PID" ] || kill "$WM_PID" 2>/dev/null; e2e_cleanup' EXIT

window_size() { xwininfo -id "$WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }

for desktop in ${E2E_DESKTOPS:-1366x768:1:1 1920x1080:1.5:1 3840x2160:3:2.5}; do
    IFS=: read -r screen scale smaller <<<"$desktop"
    e2e_temp_home
    E2E_SCREEN=$screen e2e_start_xvfb
    # The game starts once the window manager has: a window mapped while it takes over the
    # screen is a race of the X server's, not the game's.
    openbox --sm-disable --startup "touch $E2E_ROOT/wm-ready" >/dev/null 2>&1 &
    WM_PID=$!
    e2e_wait_until 20 "$screen: the window manager did not start" test -e "$E2E_ROOT/wm-ready"
    e2e_start_game "$GAME"
    e2e_title_window
    # The window has the focus before anything is typed: SDL reads the keyboard afresh on it.
    xdotool windowfocus --sync "$WINDOW"
    expected=$(awk -v s="$scale" 'BEGIN { print 800 * s "x" 600 * s }')
    e2e_wait_until 10 "$screen: the window is $(window_size), not $expected" \
        test "$(window_size)" = "$expected"
    grep -qx "WindowScale=$scale" "$XDG_CONFIG_HOME/korvane/settings.ini" ||
        e2e_fail "$screen: WindowScale=$scale not kept"
    # OPTIONS, centred at x 500 on the title, its text from y 434: clicked where it is seen.
    x=$(awk -v s="$scale" 'BEGIN { print int(500 * s) }')
    y=$(awk -v s="$scale" 'BEGIN { print int(446 * s) }')
    xdotool mousemove --window "$WINDOW" "$x" "$y" click 1
    e2e_wait_line "Scene Options starting" 1 10
    xdotool keydown ctrl sleep 0.2 key minus sleep 0.2 keyup ctrl # as fast as a hand
    expected=$(awk -v s="$smaller" 'BEGIN { print 800 * s "x" 600 * s }')
    e2e_wait_until 10 "$screen: after Ctrl+Minus the window is $(window_size), not $expected" \
        test "$(window_size)" = "$expected"
    e2e_wait_file_line "$XDG_CONFIG_HOME/korvane/settings.ini" "WindowScale=$smaller" 5
    kill -s TERM "$E2E_GAME_PID"
    e2e_wait_exit 10
    e2e_check_clean_end "Splash,Title,Options"
    echo "PASS: $screen: drawn at $scale, a click lands, Ctrl+Minus gives $smaller"
    kill "$WM_PID" "$E2E_XVFB_PID" 2>/dev/null
    wait "$WM_PID" "$E2E_XVFB_PID" 2>/dev/null
    WM_PID= E2E_XVFB_PID=
    rm -rf "$E2E_ROOT"
    E2E_ROOT=
done
