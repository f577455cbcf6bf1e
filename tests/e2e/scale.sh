#!/bin/bash
# The window sized for the desktop, under a window manager, on three desktops: on a first start
# it is drawn at the largest scale that fits in about 85 % of the desktop (1366x768: 1,
# 1920x1080: 1.5, 3840x2160: 3), kept as WindowScale; a click lands where the player sees it
# (OPTIONS opens Options); Ctrl+Minus draws it a step smaller and keeps that; moved into the
# desktop's far corner, four Ctrl+Plus grow it to the largest scale that fits the desktop, frame and
# title bar included (1366x768: 1, 1920x1080: 1.5, 3840x2160: 3), placed wholly on it; in full
# screen Ctrl+Minus does nothing, and leaving full screen gives the window at its scale again.
# Started again with WindowScale=3 stored, the game draws the largest that fits and keeps 3.
# The window's frame lies wholly on the desktop throughout.
# Usage: scale.sh KORVANE
set -u
GAME=$1
. "$(dirname "$0")/session.sh"
WM_PID=
trap '[ -z "$WM_PID" ] || kill "$WM_PID" 2>/dev/null; e2e_cleanup' EXIT

window_size() { xwininfo -id "$WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
window_is() { [ "$(window_size)" = "$1" ]; } # read afresh at each try of a wait
size_at() { awk -v s="$1" 'BEGIN { print 800 * s "x" 600 * s }'; }
settings() { echo "$XDG_CONFIG_HOME/korvane/settings.ini"; }
# True when the window, with the frame the window manager draws round it, lies on the desktop.
on_desktop() {
    local x y w h left right top bottom
    read -r x y w h < <(xwininfo -id "$WINDOW" | awk '/Absolute upper-left X/ { x = $4 }
        /Absolute upper-left Y/ { y = $4 } /Width:/ { w = $2 } /Height:/ { h = $2 }
        END { print x, y, w, h }')
    IFS=', ' read -r left right top bottom < <(xprop -id "$WINDOW" _NET_FRAME_EXTENTS |
        sed 's/.*= //')
    [ -n "$bottom" ] && [ $((x - left)) -ge 0 ] && [ $((y - top)) -ge 0 ] &&
        [ $((x + w + right)) -le "${screen%x*}" ] && [ $((y + h + bottom)) -le "${screen#*x}" ]
}
# expect_window SCALE WHAT: waits for the window at SCALE, wholly on the desktop.
expect_window() {
    local expected
    expected=$(size_at "$1")
    e2e_wait_until 10 "$screen: $2: the window is not $expected" window_is "$expected"
    e2e_wait_until 5 "$screen: $2: the window leaves the desktop" on_desktop
}
start_game() {
    rm -f "$E2E_ROOT/game.out" # a second start's waits read its own log only
    e2e_start_game "$GAME"
    e2e_title_window
    # The window has the focus before anything is typed: SDL reads the keyboard afresh on it.
    xdotool windowfocus --sync "$WINDOW"
}
stop_game() {
    kill -s TERM "$E2E_GAME_PID"
    e2e_wait_exit 10
}

for desktop in ${E2E_DESKTOPS:-1366x768:1:1:1 1920x1080:1.5:1:1.5 3840x2160:3:2.5:3}; do
    IFS=: read -r screen scale smaller largest <<<"$desktop"
    e2e_temp_home
    E2E_SCREEN=$screen e2e_start_xvfb
    # The game starts once the window manager has: a window mapped while it takes over the
    # screen is a race of the X server's, not the game's.
    openbox --sm-disable --startup "touch $E2E_ROOT/wm-ready" >/dev/null 2>&1 &
    WM_PID=$!
    e2e_wait_until 20 "$screen: the window manager did not start" test -e "$E2E_ROOT/wm-ready"
    start_game
    expect_window "$scale" "first start"
    grep -qx "WindowScale=$scale" "$(settings)" || e2e_fail "$screen: WindowScale=$scale not kept"
    # OPTIONS, centred at x 500 on the title, its text from y 434: clicked where it is seen.
    x=$(awk -v s="$scale" 'BEGIN { print int(500 * s) }')
    y=$(awk -v s="$scale" 'BEGIN { print int(446 * s) }')
    xdotool mousemove --window "$WINDOW" "$x" "$y" click 1
    e2e_wait_line "Scene Options starting" 1 10
    xdotool keydown ctrl sleep 0.2 key minus sleep 0.2 keyup ctrl # as fast as a hand
    expect_window "$smaller" "after Ctrl+Minus"
    e2e_wait_file_line "$(settings)" "WindowScale=$smaller" 5
    # In the desktop's far corner, then four steps up: as far as the desktop lets it grow.
    read -r w h < <(size_at "$smaller" | tr x ' ')
    xdotool windowmove "$WINDOW" $((${screen%x*} - w - 12)) $((${screen#*x} - h - 34))
    e2e_wait_until 5 "$screen: the window was not moved into the corner" on_desktop
    for _ in 1 2 3 4; do
        xdotool key ctrl+plus
        sleep 0.3
    done
    expect_window "$largest" "after Ctrl+Plus four times"
    e2e_wait_file_line "$(settings)" "WindowScale=$largest" 5
    # Full screen: Ctrl+Minus changes nothing; leaving it gives the window back at its scale.
    xdotool key F11
    e2e_wait_until 10 "$screen: F11 did not fill the screen" window_is "$screen"
    sleep 0.5 # the window manager gives the focus back to the window it made full screen
    xdotool key ctrl+minus
    sleep 0.5
    grep -qx "WindowScale=$largest" "$(settings)" || e2e_fail "$screen: Ctrl+Minus in full screen"
    xdotool key F11
    expect_window "$largest" "after leaving full screen"
    stop_game
    e2e_check_clean_end "Splash,Title,Options"
    # Stored too large for this desktop: drawn at the largest that fits, and kept.
    sed -i 's/^WindowScale=.*/WindowScale=3/' "$(settings)"
    start_game
    expect_window "$largest" "started again with WindowScale=3"
    grep -qx "WindowScale=3" "$(settings)" || e2e_fail "$screen: WindowScale=3 not kept"
    stop_game
    e2e_check_clean_end "Splash,Title"
    echo "PASS: $screen: drawn at $scale, a click lands, Ctrl+Minus gives $smaller, Ctrl+Plus" \
        "stops at $largest, full screen and back, restarted at $largest; always on the desktop"
    kill "$WM_PID" "$E2E_XVFB_PID" 2>/dev/null
    wait "$WM_PID" "$E2E_XVFB_PID" 2>/dev/null
    WM_PID= E2E_XVFB_PID=
    rm -rf "$E2E_ROOT"
    E2E_ROOT=
done
