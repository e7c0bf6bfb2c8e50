#!/usr/bin/env bash
# The Debian package: scripts/package builds it, lintian finds no error in it, it holds
# the files of Debian's layout for games; and `cmake --install` into a temporary prefix
# gives a launcher that, run from an unrelated folder, opens the game's window under Xvfb
# and exits 0 on Escape.
#
#   package_test.sh     (run from the project folder)
set -u
here=$(cd "$(dirname "$0")" && pwd)
project=$(dirname "$here")
work=$(mktemp -d)
failures=0
xvfb_pid=
game_pid=
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
check() { # check STATUS MESSAGE
    if [ "$1" -eq 0 ]; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

deb=$("$project/scripts/package" "$work/deb" | tail -n 1)
check $([ -f "$deb" ]; echo $?) "scripts/package writes $(basename "$deb") ($(stat -c %s "$deb" 2>/dev/null) bytes)"
lintian -I --pedantic "$deb" >"$work/lintian" 2>&1
status=$?
check $([ $status = 0 ] && ! grep -q '^E:' "$work/lintian"; echo $?) "lintian reports no error (status $status)"
sed 's/^/     /' "$work/lintian"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for path in /usr/games/racer /usr/lib/games/racer/racer /usr/share/games/racer/Data/Textures/Car.bmp \
    /usr/share/applications/racer.desktop /usr/share/icons/hicolor/48x48/apps/racer.png \
    /usr/share/icons/hicolor/64x64/apps/racer.png /usr/share/icons/hicolor/128x128/apps/racer.png \
    /usr/share/man/man6/racer.6.gz /usr/share/doc/racer/copyright /usr/share/doc/racer/changelog.gz; do
    check $(grep -qx "$path" "$work/files"; echo $?) "the package holds $path"
done
dpkg-deb -f "$deb" Depends | grep -q 'liballegro4.4'
check $? "its dependencies come from the executable: $(dpkg-deb -f "$deb" Depends)"

# An installation under any prefix finds its own data.
cmake --install "$project/build-package" --prefix "$work/prefix" >/dev/null
source "$here/xvfb.sh"
start_xvfb "$work/xvfb.log" || exit 1
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && exec "$work/prefix/games/racer") >"$work/out" 2>"$work/err" &
game_pid=$!
window=$(find_window racer 10)
sleep 0.5
size=$(xwininfo -id "$window" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
check $([ "$size" = 840x640 ]; echo $?) "the launcher of a prefix install, run elsewhere, opens the 840x640 window (got $size)"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool keydown Escape; sleep 0.2; xdotool keyup Escape
wait_exit "$game_pid"
[ "$exit_status" = timeout ] || game_pid=
check $([ "$exit_status" = 0 ]; echo $?) "Escape ends it with status 0 (status $exit_status) $(head -c 200 "$work/err")"

echo "$failures failed"
[ "$failures" -eq 0 ]
