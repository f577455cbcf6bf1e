#!/bin/bash
# The Debian package as a player gets it: cpack builds the .deb from the build tree, lintian
# finds no error in it, and the game unpacked into a throw-away root (dpkg-deb -x) finds its
# installed data from /usr/games and reaches the title screen under Xvfb.
# Usage: deb.sh BUILD_FOLDER
set -u
BUILD=$1
. "$(dirname "$0")/session.sh"
e2e_begin
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$E2E_ROOT/package" >"$E2E_ROOT/cpack.out" 2>&1 ||
    { cat "$E2E_ROOT/cpack.out"; e2e_fail "cpack"; }
deb=$(ls "$E2E_ROOT"/package/korvane_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || e2e_fail "no .deb in $E2E_ROOT/package"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libsdl1.2-compat-shim libsdl-image libsdl-ttf libmpg123 libvorbisfile libsoxr \
    libflac libopusfile libavformat libavcodec libharfbuzz libfribidi libfreetype libfontconfig \
    libicu libx11 libxkbcommon; do
    grep -q "$library" <<<"$depends" || e2e_fail "no $library in Depends"
done

dpkg-deb -f "$deb" Recommends | grep -q "fonts-dejavu-core" || e2e_fail "no fallback font in Recommends"
dpkg-deb -f "$deb" Recommends | grep -q "fonts-noto-color-emoji" ||
    e2e_fail "no colour emoji font in Recommends"

lintian --fail-on error --tag-display-limit 0 "$deb" || e2e_fail "lintian reports errors"

root="$E2E_ROOT/root"
dpkg-deb -x "$deb" "$root" || e2e_fail "dpkg-deb -x"
for file in usr/games/korvane usr/share/games/korvane/data/Komikax.ttf \
    usr/share/games/korvane/music/01-sky-village.ogg usr/share/man/man6/korvane.6.gz \
    usr/share/doc/korvane/copyright usr/share/applications/org.example.KorvaneZaduza.desktop \
    usr/share/metainfo/org.example.KorvaneZaduza.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.example.KorvaneZaduza.svg \
    usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/org.example.KorvaneZaduza.png; do
    [ -e "$root/$file" ] || e2e_fail "the package has no $file"
done

"$root/usr/games/korvane" --version | grep -qx "korvane (Korvane Zaduza) [0-9.]*" ||
    e2e_fail "--version"
e2e_start_xvfb
e2e_start_game "$root/usr/games/korvane"
e2e_wait_line "Scene Title starting" 1 30
if grep -q "Could not" "$E2E_ROOT/game.out"; then
    e2e_fail "the unpacked game misses some of its files"
fi
kill -s TERM "$E2E_GAME_PID"
e2e_wait_exit 10
[ "$E2E_EXIT_CODE" = 0 ] || e2e_fail "exit code $E2E_EXIT_CODE"
echo "PASS: the unpacked package reaches the title screen with all its files"
