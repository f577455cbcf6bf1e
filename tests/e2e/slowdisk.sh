#!/bin/bash
# The music browser on a slow disk, as a USB stick or a NAS gives it: a folder of seven-minute
# MP3s, a one-hour mix, one with a 10 MB cover picture and one whose header does not hold (two
# songs joined, only a scan gives its length), on a file system of the test's own whose reads
# a cgroup throttles to 8 MB/s, its cache dropped before each visit. Checked:
#   - one visit under strace: each song opened once for its information, and read no further
#     than its tags and headers (the joined one excepted);
#   - while the rows fill in, Down keys move the highlight within a frame or two (median at
#     most 150 ms, none over 600 ms), previews starting on the way;
#   - a second visit (the track cache kept, the disk's cache dropped) shows every row's tags
#     and rating within 100 ms of the list's first frame;
#   - a read that hangs (the disk throttled to 4 kB/s) neither holds the way back to the title
#     nor the game's end.
# Needs root, a loop device and a blkio (cgroup v1) or io (cgroup v2) controller; without them
# it is skipped (exit code 77). With MODE bench it prints the times instead of checking them.
# Usage: slowdisk.sh KORVANE REGION_WATCH [check|bench]
set -u
GAME=$1
WATCH=$2
MODE=${3:-check}
. "$(dirname "$0")/session.sh"
skip() { echo "SKIP: $*"; exit 77; }
# expect CONDITION... -- WHAT: checked (a failure) when checking, only said when measuring.
expect() {
    local args=() what
    while [ "$1" != -- ]; do args+=("$1"); shift; done
    what=$2
    "${args[@]}" && return 0
    [ "$MODE" = check ] && e2e_fail "$what"
    echo "note: $what"
}
[ "$(id -u)" = 0 ] || skip "a loop device and a cgroup need root"
for tool in losetup mkfs.ext4 strace ffmpeg convert; do
    command -v "$tool" >/dev/null || skip "no $tool"
done
CGROUP=
if [ -w /sys/fs/cgroup/blkio/cgroup.procs ] || [ -w /sys/fs/cgroup/blkio/tasks ]; then
    CGROUP_KIND=v1
    CGROUP=/sys/fs/cgroup/blkio/korvane-e2e-$$
else
    unified=/sys/fs/cgroup
    [ -f $unified/cgroup.controllers ] || unified=/sys/fs/cgroup/unified
    grep -qw io "$unified/cgroup.controllers" 2>/dev/null || skip "no blkio or io cgroup controller"
    echo +io >"$unified/cgroup.subtree_control" 2>/dev/null || skip "the io controller cannot be enabled"
    CGROUP_KIND=v2
    CGROUP=$unified/korvane-e2e-$$
fi
e2e_begin
LOOP=
DISK=$E2E_ROOT/disk
finish() {
    [ -n "$E2E_GAME_PID" ] && throttle 0 2>/dev/null # a read still waiting ends at once
    e2e_cleanup_game
    mountpoint -q "$DISK" 2>/dev/null && umount "$DISK"
    [ -n "$LOOP" ] && losetup -d "$LOOP"
    if [ -d "$CGROUP" ]; then
        cat "$CGROUP/cgroup.procs" 2>/dev/null | while read -r pid; do
            echo "$pid" >"$(dirname "$CGROUP")/cgroup.procs" 2>/dev/null
        done
        rmdir "$CGROUP" 2>/dev/null
    fi
    e2e_cleanup
}
e2e_cleanup_game() {
    if [ -n "$E2E_GAME_PID" ] && kill -0 "$E2E_GAME_PID" 2>/dev/null; then
        kill -KILL "$E2E_GAME_PID" 2>/dev/null
        wait "$E2E_GAME_PID" 2>/dev/null
    fi
    E2E_GAME_PID=
}
trap finish EXIT

mkdir -p "$CGROUP" "$DISK" || skip "no cgroup of the test's own"
truncate -s 700M "$E2E_ROOT/disk.img"
mkfs.ext4 -q -F "$E2E_ROOT/disk.img" || e2e_fail "mkfs"
LOOP=$(losetup --direct-io=on -f --show "$E2E_ROOT/disk.img" 2>/dev/null) || skip "no loop device"
mount "$LOOP" "$DISK" || skip "the loop device cannot be mounted"
DEVICE=$(lsblk -no MAJ:MIN "$LOOP" | tr -d ' ')
# throttle BYTES_PER_SECOND: reads of the test's disk, for this shell and what it starts (0: free).
throttle() {
    if [ "$CGROUP_KIND" = v1 ]; then
        echo "$DEVICE $1" >"$CGROUP/blkio.throttle.read_bps_device"
    elif [ "$1" = 0 ]; then
        echo "$DEVICE rbps=max" >"$CGROUP/io.max"
    else
        echo "$DEVICE rbps=$1" >"$CGROUP/io.max"
    fi
}
# Unmounting drops the disk's cached pages: the next visit reads from the throttled disk.
cold() { sync && umount "$DISK" && mount "$LOOP" "$DISK" || e2e_fail "the disk could not be remounted"; }

# The songs: one seven-minute MP3, copied with a title each; an hour of them joined by ffmpeg
# (which writes a header for the whole); a 10 MB cover; two of them joined by cat.
music=$DISK/music
mkdir -p "$music"
sox -q -n -r 44100 -c 2 "$E2E_ROOT/seven.wav" synth 420 sine 220-880 vol 0.5 || e2e_fail "sox"
lame --quiet -b 128 "$E2E_ROOT/seven.wav" "$E2E_ROOT/seven.mp3" || e2e_fail "lame"
rm "$E2E_ROOT/seven.wav"
tag() { ffmpeg -loglevel error -y -i "$1" -c copy -metadata title="$3" -metadata artist=Band "$2"; }
for i in $(seq -w 1 10); do
    tag "$E2E_ROOT/seven.mp3" "$music/Track $i.mp3" "Song $i" || e2e_fail "ffmpeg"
done
for i in $(seq 1 9); do echo "file '$E2E_ROOT/seven.mp3'"; done >"$E2E_ROOT/hour.txt"
ffmpeg -loglevel error -y -f concat -safe 0 -i "$E2E_ROOT/hour.txt" -c copy \
    -metadata title="The Hour" "$music/Hour.mp3" || e2e_fail "ffmpeg concat"
convert -size 1800x1800 xc: +noise Random "$E2E_ROOT/cover.png" || e2e_fail "convert"
ffmpeg -loglevel error -y -i "$E2E_ROOT/seven.mp3" -i "$E2E_ROOT/cover.png" -map 0:a -map 1 \
    -c copy -disposition:v attached_pic -metadata title="Covered" "$music/Pictured.mp3" ||
    e2e_fail "ffmpeg cover"
cat "$E2E_ROOT/seven.mp3" "$E2E_ROOT/seven.mp3" >"$music/Scan joined.mp3"
SONGS=13
mkdir -p "$XDG_CONFIG_HOME/korvane"
printf 'CurrentPath=%s/\nSeparateHS=1\n' "$music" >"$XDG_CONFIG_HOME/korvane/settings.ini"

if [ "$CGROUP_KIND" = v1 ]; then echo $$ >"$CGROUP/tasks"; else echo $$ >"$CGROUP/cgroup.procs"; fi
throttle 8388608
e2e_start_xvfb
keys() { xdotool key --window "$WINDOW" --delay 80 "$@"; }
songs_read() { grep -c '^Loading score for : ' "$E2E_ROOT/game.out"; }
all_read() { [ "$(songs_read)" -ge "$1" ]; }
LIST="0 28 780 400" # the list's rows
# visit: from the title, PLAY by keys; the pointer rests below the list.
visit() {
    xdotool mousemove --window "$WINDOW" 400 520
    keys Down Return
}

# 1. One visit under strace: which files are opened, and how much of each is read.
cold
# One file per thread, so no call is split by another thread's.
E2E_AUDIO_DRIVER=dummy e2e_start_game strace -ff -y -qq -e trace=openat,read,pread64 \
    -o "$E2E_ROOT/strace" "$GAME"
e2e_title_window
visit
e2e_wait_until 120 "the rows were not all read under strace" all_read $SONGS
kill -TERM "$(pgrep -P "$E2E_GAME_PID" | head -n1)"
e2e_wait_exit 30
cat "$E2E_ROOT"/strace.* >"$E2E_ROOT/strace.txt"
for song in "$music"/*.mp3; do
    opens=$(grep -E '^openat\(' "$E2E_ROOT/strace.txt" | grep -cF ", \"$song\", ")
    expect [ "$opens" -le 1 ] -- "$(basename "$song") was opened $opens times for its information"
    read_bytes=$(grep -F "<$song>" "$E2E_ROOT/strace.txt" | grep -E '^(read|pread64)\(' |
        sed -n 's/.*= \([0-9][0-9]*\)$/\1/p' | awk '{ sum += $1 } END { print sum + 0 }')
    # What stands before the audio: the ID3v2 tag, its pictures included.
    tag_bytes=$(od -An -tu1 -N10 "$song" | awk '$1 == 73 && $2 == 68 && $3 == 51 {
        print $7 * 2097152 + $8 * 16384 + $9 * 128 + $10 + 10; exit } { print 0 }')
    allowed=$((tag_bytes + 1048576))
    case "$song" in *"/Scan "*) allowed=$(($(stat -c %s "$song") + 1048576)) ;; esac # once through
    expect [ "${read_bytes:-0}" -le "$allowed" ] -- \
        "$(basename "$song"): $read_bytes bytes read for its information (headers: $tag_bytes)"
    echo "$(basename "$song"): opened $opens times, $read_bytes bytes read of $(stat -c %s "$song")"
done
# Ratings for every song (85 %, silver), under the names the game looked for.
sed -n 's/^Loading score for : //p' "$E2E_ROOT/game.out" | sort -u | while read -r file; do
    mkdir -p "$(dirname "$file")" && printf '\125\0\0\0\125\0\0\0\125\0\0\0' >"$file"
done
mv "$E2E_ROOT/game.out" "$E2E_ROOT/strace-run.out"

# 2. The list as it looks once read: every row's tags and rating.
e2e_start_game "$GAME"
e2e_title_window
xdotool windowfocus --sync "$WINDOW" 2>/dev/null
visit
e2e_wait_until 60 "the rows were not all read" all_read $SONGS
sleep 0.5
full=$("$WATCH" sum "$WINDOW" $LIST)
keys Escape
e2e_wait_line "Scene Title starting" 2 10

# 3. A first visit: no track cache, a cold disk. Down keys while the rows fill in.
rm -rf "$XDG_CACHE_HOME/korvane"
cold
keys Down # PLAY highlighted: Return takes it
read -r first_shown first_full <<<"$("$WATCH" until "$WINDOW" $LIST Return "$full" 60000)"
keys Escape
e2e_wait_line "Scene Title starting" 3 10
rm -rf "$XDG_CACHE_HOME/korvane"
cold
keys Down
"$WATCH" taps "$WINDOW" 0 28 8 400 Return 1 0 >/dev/null # the list is shown
"$WATCH" taps "$WINDOW" 0 28 8 400 Down 14 300 >"$E2E_ROOT/taps.txt"
e2e_wait_until 60 "the rows were not all read after the keys" all_read $((3 * SONGS))
keys Escape
e2e_wait_line "Scene Title starting" 4 10

# 4. A second visit: the track cache kept, the disk's cache dropped.
cold
keys Down
read -r second_shown second_full <<<"$("$WATCH" until "$WINDOW" $LIST Return "$full" 10000)"
keys Escape
e2e_wait_line "Scene Title starting" 5 10

taps=$(sort -n "$E2E_ROOT/taps.txt" | paste -sd' ' -)
median=$(sort -n "$E2E_ROOT/taps.txt" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
slowest=$(sort -n "$E2E_ROOT/taps.txt" | tail -n1)
echo "first visit: list shown after $first_shown ms, every row read after $first_full ms"
echo "second visit: list shown after $second_shown ms, every row read after $second_full ms"
echo "Down while the rows fill in (ms): $taps"
if [ "$MODE" = check ]; then
    grep -qx -- -1 "$E2E_ROOT/taps.txt" && e2e_fail "a Down key did not move the highlight within 5 s"
    [ "$median" -le 150 ] && [ "$slowest" -le 600 ] ||
        e2e_fail "Down keys answered in $taps ms (median $median, the slowest $slowest)"
    [ "$second_full" -ge 0 ] && [ $((second_full - second_shown)) -le 100 ] ||
        e2e_fail "a second visit showed its rows $second_shown ms and read them $second_full ms after Enter"
fi

# 5. A read that hangs: the disk all but stopped, the folder entered and left at once.
cold
throttle 4096
visit
e2e_wait_line "Scene Music Select starting" 5 10
left=$SECONDS
keys Escape
e2e_wait_line "Scene Title starting" 6 5
keys Up Return # QUIT
e2e_wait_line "The End" 1 5
[ $((SECONDS - left)) -le 6 ] || e2e_fail "leaving a folder whose reads hang took $((SECONDS - left)) s"
throttle 0
e2e_wait_exit 60
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE after a read that hung"
echo "PASS: the browser answered keys and showed what it read without waiting on the slow disk"
