#!/usr/bin/env bash
# The Debian package: scripts/package builds it, lintian finds no error in it, it holds
# the files of Debian's layout for games; and `cmake --install` into a temporary prefix
# gives a launcher that, run from an unrelated folder, opens the game's window under Xvfb
# and exits 0 on Escape.
#
#   package_test.sh     (run from the project folder)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
project=$(dirname "$here")

deb=$("$project/scripts/package" "$work/deb" | tail -n 1)
check "scripts/package writes $(basename "$deb") ($(stat -c %s "$deb" 2>/dev/null) bytes)" [ -f "$deb" ]
lintian -I --pedantic "$deb" >"$work/lintian" 2>&1
status=$?
check "lintian runs (status $status)" [ $status = 0 ]
check "lintian reports no error" fails grep -q '^E:' "$work/lintian"
sed 's/^/     /' "$work/lintian"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for path in /usr/games/racer /usr/lib/games/racer/racer /usr/share/games/racer/Data/Textures/Car.bmp \
    /usr/share/applications/racer.desktop /usr/share/icons/hicolor/48x48/apps/racer.png \
    /usr/share/icons/hicolor/64x64/apps/racer.png /usr/share/icons/hicolor/128x128/apps/racer.png \
    /usr/share/man/man6/racer.6.gz /usr/share/doc/racer/copyright /usr/share/doc/racer/changelog.gz \
    /usr/share/metainfo/org.example.racer.metainfo.xml; do
    check "the package holds $path" grep -qx "$path" "$work/files"
done
check "its dependencies come from the executable: $(dpkg-deb -f "$deb" Depends)" \
    grep -q 'liballegro4.4' <(dpkg-deb -f "$deb" Depends)

# An installation under any prefix finds its own data.
cmake --install "$project/build-package" --prefix "$work/prefix" >/dev/null
appstreamcli validate --no-net "$work/prefix/share/metainfo/org.example.racer.metainfo.xml" >"$work/appstream" 2>&1
status=$?
check "appstreamcli validates the AppStream metadata: $(tail -n 1 "$work/appstream")" [ $status = 0 ]
start_xvfb "$work/xvfb.log" || exit 1
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && exec "$work/prefix/games/racer") >"$work/out" 2>"$work/err" &
game_pid=$!
check_window_then_escape racer 10 "the launcher of a prefix install, run from an unrelated folder,"

finish
