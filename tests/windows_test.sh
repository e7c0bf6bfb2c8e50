#!/usr/bin/env bash
# The Windows build under Wine against the Linux build, the game and tools from the zip as
# a player unpacks it, most of them under highmem.exe, which takes every address below
# 4 GB first, as a real 64-bit Windows spreads them (docs/windows.md says what is checked).
#
#   windows_test.sh ZIP SETUP LINUX_BUILD WINDOWS_BUILD     (run from the project folder;
#                   WINDOWS_BUILD holds highmem.exe and highmem_probe.exe)
#
# The Wine prefix is made once and kept in .cache/wine-prefix (ignored).
set -u
project=$PWD
source "$project/tests/harness.sh"
programs zip setup linux instruments -- "$@"
probe=$linux/tests/window_probe
needs wine:wine unzip:unzip pgrep:procps xdotool:xdotool xwininfo:x11-utils

# A prefix keeps the display it met first: the X server comes before any Wine program,
# and every Wine program of this test is gone (wineserver -k) before it ends.
start_xvfb "$work/xvfb.log" || exit 1
export WINEPREFIX=$project/.cache/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_cleanup() { wineserver -k 2>/dev/null; harness_cleanup; }
trap wine_cleanup EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    t0=$SECONDS
    wineboot -i >/dev/null 2>&1
    wineserver -w
    echo "     made the Wine prefix in $((SECONDS - t0)) s"
fi

# The zip as a player unpacks it; the programs run from its folder, which holds Data/.
unzip -q "$zip" -d "$work/zip"
game=$(ls -d "$work"/zip/racer-*-win64)
check "the zip holds the game, the tools, the car image, README.txt and both licences" \
    test -f "$game/racer.exe" -a -f "$game/car_trace.exe" -a -f "$game/car_record.exe" -a -f "$game/car_play.exe" \
    -a -f "$game/Data/Textures/Car.bmp" -a -f "$game/README.txt" -a -f "$game/LICENSE.txt" -a -f "$game/ALLEGRO-LICENSE.txt"
cd "$game"

# Waits for the Wine game in $game_pid to end. Killing wine's own process would leave the
# game running, with its window, into the next check: a game that does not end is killed
# by name.
wait_wine_game() { # wait_wine_game SECONDS
    wait_exit "$game_pid" "$1"
    [ "$exit_status" = timeout ] && pkill -9 -x racer.exe
    [ "$exit_status" = timeout ] && pkill -9 -x highmem.exe
}
# Runs a Windows program with every address below 4 GB taken (a program in the current
# folder as .\NAME.exe).
high() { wine "$instruments/highmem.exe" "$@"; }

# --- Above 4 GB: the launcher reserves the low 4 GB, and what the probe allocates lies high. ---
wine "$instruments/highmem_probe.exe" "$work/low.bmp" >"$work/low.txt" 2>&1
high -v "$instruments/highmem_probe.exe" "$work/high.bmp" >"$work/high.txt" 2>"$work/high.err"
reserved=$(sed -n 's/^highmem: \([0-9]*\) MB reserved.*/\1/p' "$work/high.err")
check "highmem.exe reserves the 4 GB below 4 GB but for Linux's own mappings (${reserved:-no} MB)" \
    numbers "$reserved" -- [ "$reserved" -ge 4000 ]
check "under it, malloc and a bitmap's lines lie above 4 GB: $(tr '\n' ' ' <"$work/high.txt")" \
    awk '{ n++; if (length($NF) != 16 || $NF < "0000000100000000") low = 1 } END { exit low || n != 4 }' \
        <(tr -d '\r' <"$work/high.txt")
check "and the text drawn on that bitmap is the text drawn at low addresses, pixel for pixel" \
    same_pixels "$work/high.bmp" "$work/low.bmp"
game_running() { pgrep -x racer.exe >/dev/null; }
# The box in which two pictures differ, as WIDTHxHEIGHT+X+Y, or "none".
differing_box() { # differing_box A.bmp B.bmp
    /usr/bin/convert "$1" "$2" -compose difference -composite -trim -format '%wx%h%X%Y' info: 2>/dev/null |
        sed 's/^1x1-1-1$/none/'
}

# --- The traces: byte for byte the Linux ones, low and high. ---
check_same_traces car_trace.exe wine car_trace.exe
check_same_traces "highmem.exe car_trace.exe" high '.\car_trace.exe'

# --- A drive recorded on Linux, with its state hash on every step, verifies here. ---
(cd "$project" && exec "$linux/car_record" "$work/linux.keys") >/dev/null 2>&1 &
game_pid=$!
find_window car_record 10
focus_window "$window"
xdotool keydown Up; sleep 1; xdotool keydown Right; sleep 1.5; xdotool keydown space; sleep 0.5
xdotool keyup space Right; sleep 1; xdotool keyup Up
press "$window" Escape
wait_exit "$game_pid" 5
check "car_record, driven on Linux beside Wine, ends on Escape with status 0 (status $exit_status; $key_seen)" \
    [ "$exit_status" = 0 ]
wine car_trace.exe <"$work/linux.keys" >/dev/null 2>"$work/err"
status=$?
check "car_trace.exe checks the $(grep -vc '^[#=]' "$work/linux.keys") state hashes of a drive recorded on Linux: all the same (status $status) $(cat "$work/err")" \
    [ $status = 0 -a "$(head -n 1 "$work/linux.keys")" = "# racer key script 2" ]

wine car_play.exe --speed 4 --exit "https://example.org/racer/#$(cat "$project/tests/golden/mixed_drive.link")" >/dev/null 2>"$work/err"
status=$?
check "car_play.exe plays a link as its argument, every state hash the same (status $status) $(tr -d '\r' <"$work/err")" [ $status = 0 ]

# car_record.exe, high, races a link's drive as a ghost in its window; what it keeps is the
# player's drive alone, which Linux replays with every state hash the same.
xdotool mousemove 1000 700
high '.\car_record.exe' --ghost "https://example.org/racer/#$(cat "$project/tests/golden/mixed_drive.link")" raced.keys \
    >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_record 20 && wait_for_car "$window" 10
press "$window" Up 1
press "$window" Escape
wait_wine_game 10
"$linux/car_trace" <raced.keys >/dev/null 2>"$work/trace.err"
status=$?
check "car_record.exe --ghost opens its window ($window_seen), ends on Escape with status $exit_status, and Linux car_trace checks its $(script_steps raced.keys 2>/dev/null) steps, all the same (status $status) $(tr -d '\r' <"$work/err") $(cat "$work/trace.err")" \
    [ "$exit_status" = 0 -a $status = 0 -a ! -s "$work/err" ]

# --- The pictures, high: every step of a slide racing a ghost, every second step of a long drive. ---
ghost=$project/tests/golden/mixed_drive.keys
windows_frames() { (cd "$game" && high '.\car_trace.exe' ${raced:+--ghost "$(winepath -w "$ghost")"} --frames "$(winepath -w "$1")" --every "$2"); }
linux_frames() { "$linux/car_trace" ${raced:+--ghost "$ghost"} --frames "$1" --every "$2"; }
raced=1 check_same_frames slide_right 1 "highmem.exe car_trace.exe racing a ghost" windows_frames linux_frames
check_same_frames mixed_drive 2 "highmem.exe car_trace.exe" windows_frames linux_frames

# --- The game's window. ---
# The Linux game's first picture, in the same X server, for comparison.
game_first_picture "$work/linux-start.bmp" 10 "$linux/racer"

xdotool mousemove 1000 700 # the pointer off the window
high '.\racer.exe' >"$work/out" 2>"$work/err" &
game_pid=$!
find_window racer 20
check "racer.exe, high, opens its 840x640 window named racer ($window_seen)" [ -n "$window" ]
wait_for_car "$window" 10 "$work/win-start.bmp"
check "its first picture is the Linux game's, pixel for pixel $(cat "$work/err")" same_pixels "$work/win-start.bmp" "$work/linux-start.bmp"
press "$window" Up 1
sleep 0.3
read -r _ _ red min max _ < <("$probe" "$window")
check "after Up for a second the outline lies right of the start (x $min..$max; $key_seen)" \
    numbers "$red" "$min" -- [ "$red" -gt 0 -a "$min" -gt 150 ]
press "$window" Escape
wait_wine_game 10
check "Escape ends racer.exe with status 0 (status $exit_status; $key_seen)" [ "$exit_status" = 0 ]

# The library's GDI screen driver (chosen by an allegro.cfg beside the game) rather than
# DirectDraw: it keeps the screen in memory of its own, and has no hardware pointer, so
# the library draws its own into the picture, where it last saw the mouse (at first the
# middle, until it learns the mouse is elsewhere).
cp -r "$game" "$work/gdi"
printf '[graphics]\r\ngfx_cardw = GDIB\r\n' >"$work/gdi/allegro.cfg"
(cd "$work/gdi" && high '.\racer.exe') >"$work/out" 2>"$work/err" &
game_pid=$!
find_window racer 20 && wait_for_car "$window" 10 "$work/gdi-start.bmp"
box=$([ -n "$window" ] && differing_box "$work/gdi-start.bmp" "$work/linux-start.bmp")
check "on the GDI driver, high, its first picture is the Linux game's but for a pointer, the library's own ($window_seen; they differ in: ${box:-no picture}) $(cat "$work/err")" \
    awk -v box="$box" 'BEGIN { if (box == "none") exit 0; if (split(box, size, /[x+-]/) != 4) exit 1; exit !(size[1] <= 16 && size[2] <= 16) }'
press "$window" Escape
wait_wine_game 10
check "and Escape ends it with status 0 (status $exit_status; $key_seen)" [ "$exit_status" = 0 ]

wine racer.exe >"$work/out" 2>"$work/err" &
game_pid=$!
find_window racer 20 && wait_for_car "$window" 10
"$probe" "$window" --close
wait_wine_game 10
check "the window's close button ends racer.exe with status 0 (status $exit_status)" [ "$exit_status" = 0 ]

# --- The installer. ---
installed=$WINEPREFIX/drive_c/Program\ Files/racer
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/racer.lnk
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\racer'
wine "$setup" /S
status=$?
check "the installer's silent install ends with status 0 (got $status)" [ $status = 0 ]
check "it puts the game under Program Files\\racer, with its data" \
    test -f "$installed/racer.exe" -a -f "$installed/Data/Textures/Car.bmp" -a -f "$installed/uninstall.exe"
check "it makes a Start-menu shortcut" test -f "$shortcut"
registered() { wine reg query "$key" /v UninstallString >/dev/null 2>&1; }
check "it lists the game among the installed programs" registered
cd "$work"
wine start "$(winepath -w "$shortcut")" >/dev/null 2>&1
find_window racer 20 && wait_for_car "$window" 10
shown=$?
check "the shortcut starts the game in its own folder (its window shows the car: $window_seen)" [ $shown = 0 ]
press "$window" Escape
within 10 fails game_running
check "Escape ends the game started from the shortcut ($key_seen$(game_running && echo "; 10 s on it still runs, its window $(window_state "$window")"))" \
    fails game_running
# A game still running keeps its files: it is ended here, so that the uninstall is seen alone.
game_running && pkill -9 -x racer.exe && within 5 fails game_running

wine "$installed/uninstall.exe" /S
# The uninstaller runs a copy of itself from the temporary folder and returns at once.
within 10 test ! -e "$installed"
check "the silent uninstall removes the game's folder" [ ! -e "$installed" ]
check "and its shortcut" [ ! -e "$shortcut" ]
check "and its entry in the list of installed programs" fails registered

finish
