#!/usr/bin/env bash
# The browser build against the Linux build (docs/web.md): car_trace for node, then the page
# served from 127.0.0.1 and driven by page_probe.js in WebKitGTK, Firefox ESR and Chromium:
# in each, its start, its picture at rest, its keys, its recording replayed by Linux
# car_trace, its drive as a link played in a new page and read by Linux car_trace, the
# watch ended by Escape and another drive, a race against that link's drive drawn as Linux
# draws it, a tampered drive stopped where it parts, watched and raced, an altered link and
# a bad script refused, a link as long as a browser opens opened by its address; in
# Chromium, which can emulate them, also the phone, touch, gamepad and offline, the longest
# link's memory, and a longer link refused or offered as a file.
#
#   web_test.sh WEB_BUILD LINUX_BUILD     (run from the project folder)
set -u
project=$PWD
source "$project/tests/harness.sh"
programs web linux -- "$@"
export NODE_PATH=/usr/share/nodejs
needs node:nodejs python3:python3 chromium:chromium firefox-esr:firefox-esr WebKitWebDriver:webkit2gtk-driver
export NODE_PATH=$NODE_PATH:$project/.cache/npm/node_modules # puppeteer-core, for Chromium and Firefox
start_xvfb "$work/xvfb.log" || exit 1 # WebKit's MiniBrowser shows a window

# --- car_trace for node: the traces and pictures of Linux. ---
check_same_traces car_trace.js node "$web/car_trace.js"
node_frames() { node "$web/car_trace.js" --frames "$1" --every "$2"; }
linux_frames() { "$linux/car_trace" --frames "$1" --every "$2"; }
check_same_frames slide_right 1 car_trace.js node_frames linux_frames
check_same_frames mixed_drive 3 car_trace.js node_frames linux_frames

# --- The page, as a player meets it. ---
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 "$project/web/serve.py" "$project/dist/web" "$port" >"$work/server.log" 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; harness_cleanup' EXIT
# How the server sends a file to a browser that takes gzip: its type, coding and Vary, or
# nothing while it does not answer.
served_as() { # served_as PATH
    python3 -c 'import sys, urllib.request; h = urllib.request.urlopen(urllib.request.Request(sys.argv[1],
        headers={"Accept-Encoding": "gzip"})).headers; print(h["Content-Type"], h["Content-Encoding"], h["Vary"])' \
        "http://127.0.0.1:$port/$1" 2>/dev/null
}
within 5 served_as '' >/dev/null
type=$(served_as racer.wasm)
check "the .wasm is served gzipped as application/wasm, varying with the coding asked for (got ${type:-nothing})" \
    [ "$type" = "application/wasm gzip Accept-Encoding" ]
printf '.\n' | "$linux/car_trace" --frame "$work/linux-rest.bmp" >/dev/null

# --- What every engine must show. Chromium last: it ends the server for its offline reload. ---
for engine in webkit firefox chromium; do
    page=$work/$engine
    mkdir "$page"
    # WebKit's buttons are found by name on the accessibility bus, which needs a session bus.
    bus=$([ $engine = webkit ] && echo dbus-run-session --)
    probe() { run $bus node "$project/tests/instruments/page_probe.js" "$engine" "http://127.0.0.1:$port/" "$page" "$server_pid"; }
    probe
    # WebKitGTK's JavaScriptCore has crashed here about once in thirty pages, a segfault in
    # its optimising compiler with the page unchanged: one crash gets one more try, said so.
    if [ $status != 0 ] && grep -q "session deleted because of page crash" "$work/err"; then
        echo "note $engine crashed under the page ($(tail -c 100 "$work/err")); once more"
        rm -rf "$page" && mkdir "$page" && probe
    fi
    check "$engine: the page could be driven (status $status) $(grep -v dbus-daemon "$work/err" | tail -n 3)" [ $status = 0 ]
    check "$engine: the canvas is 840x640 and has the focus ($(cat "$page/size.txt" 2>/dev/null))" \
        [ "$(cat "$page/size.txt" 2>/dev/null)" = "840x640 focused=true" ]
    check "$engine: at rest the canvas shows the Linux picture, pixel for pixel" same_pixels "$page/rest.bmp" "$work/linux-rest.bmp"
    check "$engine: ArrowUp held for a second changes the picture" \
        test -s "$page/up.bmp" -a -n "$(cmp "$page/up.bmp" "$page/rest.bmp" 2>/dev/null)"
    run "$linux/car_trace" --frame "$work/replay.bmp" <"$page/drive.keys"
    check "$engine: the page's recording replays in Linux car_trace, every state hash the same (status $status) $(cat "$work/err")" \
        [ $status = 0 -a "$(head -n 1 "$page/drive.keys")" = "# racer key script 2" ]
    x=$(trace_value "$work/out" x 2>/dev/null)
    check "$engine: it moved the car: x went from 100 to ${x:-nothing}" awk -v x="${x:-100}" 'BEGIN {exit !(x > 150 || x < 50)}'
    check "$engine: and it ends on the page's picture, pixel for pixel ($(script_steps "$page/drive.keys") steps)" \
        same_pixels "$work/replay.bmp" "$page/drive.bmp"
    last=$(tail -n 1 "$page/drive.keys" | cut -d' ' -f2)
    check "$engine: the drive as a link ($(wc -c <"$page/link.txt") characters) plays in a new page to its last hash, $last ($(cat "$page/linked.txt" 2>/dev/null))" \
        grep -qx "atEnd=true divergence= hash=$last" "$page/linked.txt"
    run "$linux/car_trace" --script "$work/linked.keys" <"$page/link.txt"
    "$linux/car_trace" <"$page/drive.keys" >"$work/drive.trace" 2>/dev/null
    check "$engine: Linux car_trace reads the link as the page's recording, the same trace, and writes it as a key script that traces the same (status $status) $(cat "$work/err")" \
        eval '[ $status = 0 ] && cmp -s "$work/out" "$work/drive.trace" && "$linux/car_trace" <"$work/linked.keys" 2>&1 | cmp -s - "$work/drive.trace"'
    read -r paused step of steps < <(cat "$page/back.txt" 2>/dev/null)
    check "$engine: there P pauses and B shows the step before the last ($paused $step $of $steps)" \
        numbers "$step" "$steps" -- [ "$paused" = paused=true -a "$step" = $((steps - 1)) ]
    check "$engine: Escape ends the watch and the page says so: $(cat "$page/ended.txt" 2>/dev/null)" \
        grep -q "The game has ended" "$page/ended.txt"
    check "$engine: then every replay key reaches nothing, and Drive again drives: $(cat "$page/again.txt" 2>/dev/null)" \
        grep -qx "ended=true watching=false errors=0 moved=true" "$page/again.txt"
    check "$engine: Drive again starts at rest, as on Linux" same_pixels "$page/again.bmp" "$work/linux-rest.bmp"
    run "$linux/car_trace" --ghost "$page/link.txt" --frame "$work/race.bmp" <"$page/race.keys"
    check "$engine: Race, found by its name, races the link's drive as a ghost, as Linux car_trace --ghost draws it, pixel for pixel, and the player's trace is the one without it (status $status; $(cat "$page/race.txt" 2>/dev/null)) $(cat "$work/err")" \
        eval '[ $status = 0 ] && same_pixels "$work/race.bmp" "$page/race.bmp" && "$linux/car_trace" <"$page/race.keys" | cmp -s - "$work/out" &&
              grep -q "^racing=true ghosts=1 the link parted=no " "$page/race.txt"'
    read -r x y marked < <(sed -n 's/.* car=\(-*[0-9]*\),\(-*[0-9]*\) marked=\([0-9]*\)$/\1 \2 \3/p' "$page/race.txt" 2>/dev/null)
    check "$engine: two seconds of Up take the car off the canvas (at ${x:-?},${y:-?}), and a red mark at its edge shows where (${marked:-no} pixels)" \
        numbers "$x" "$y" "$marked" -- awk -v x="$x" -v y="$y" -v m="$marked" 'BEGIN {exit !((x < -56 || x > 896 || y < -56 || y > 696) && m > 20)}'
    check "$engine: a dropped script with one key changed stops where it parts, watched and raced as a ghost, naming the step ($(tr '\n' '|' <"$page/tampered.txt" 2>/dev/null))" \
        eval '[ "$(grep -cE "^(ghost 1 \(tampered .*\) parted: )?line [0-9]+, step [0-9]+: the script holds state hash [0-9a-f]{16}, this build reached [0-9a-f]{16}$" "$page/tampered.txt")" = 2 ]'
    check "$engine: a link with a character changed is refused as altered, the page driving on ($(cat "$page/altered.txt" 2>/dev/null))" \
        grep -qE '^the link is altered: .* \([0-9]+ steps on\)$' "$page/altered.txt"
    check "$engine: a bad script dropped on the page is refused with its line and why ($(cat "$page/bad.txt" 2>/dev/null))" \
        grep -qx "bad.keys: line 3: unknown key 'Q'" "$page/bad.txt"
    read -r characters steps wanted memory name < <(head -n 1 "$page/longest.txt" 2>/dev/null)
    check "$engine: a link of ${characters:-no} characters, as long as a browser opens, opened by its address, plays its ${steps:-no} steps" \
        numbers "$characters" "$steps" -- eval '[ "$characters" -ge 1048571 -a "$characters" -le 1048572 -a "$steps" = "$wanted" -a "$name" = "the link" ]'
done
page=$work/chromium

while read -r line; do
    check "the canvas wholly visible, nothing over it, on $line" grep -q 'visible=true unobstructed=true' <<<"$line"
done <"$page/screens.txt"
check "the laptop's page does not scroll; the phone's pads on its screen" \
    [ -n "$(grep -E '^1366x657 .*pads=none scrolls=false$' "$page/screens.txt")" -a \
      "$(grep -c 'pads=visible' "$page/screens.txt")" = 2 ]
check "touch: two fingers, a third, one lifted, one slid to the next pad, nothing scrolled ($(cat "$page/touch.txt"))" \
    grep -qx '. UR URS UR UL . scrolled=0' "$page/touch.txt"
check "a gamepad, the keyboard's Up held on when the trigger lets go ($(cat "$page/gamepad.txt"))" \
    grep -qx 'UR URS U .' "$page/gamepad.txt"

rate=$(tail -n 1 "$page/rates.txt")
check "60 +- 2 steps a second by the page's own count over 10 s (got $(tr '\n' ' ' <"$page/rates.txt"))" \
    awk -v r="${rate:-0}" 'BEGIN {exit !(r >= 58 && r <= 62)}'

# After the page lost the focus with Up held, no step read Up any more.
blurred=$(cat "$page/blur.txt" 2>/dev/null || echo 0)
later=$(grep -v '^#' "$page/blur.keys" 2>/dev/null | tail -n +$((blurred + 30)) | cut -d' ' -f1)
check "Up held while the page lost the focus: none of the $(wc -w <<<"$later") steps from half a second later reads it" \
    numbers "$blurred" -- [ "$blurred" -gt 0 -a "$(wc -w <<<"$later")" -gt 30 -a "$(grep -c U <<<"$later")" = 0 ]
check "the share of a drive a set line longer says so, and offers the key script ($(sed -n 2p "$page/longest.txt"))" \
    grep -qx "This drive's link would be 1,048,5[0-9][0-9] characters, longer than the longest link a browser opens, 1,048,572 characters: save it as a key script instead." <(sed -n 2p "$page/longest.txt")
check "the longest link takes the page's memory to at most 64 MiB (${memory:-no} bytes)" numbers "$memory" -- [ "$memory" -le $((64 << 20)) ]
check "a longer link is refused unread, the limit named ($(sed -n 3p "$page/longest.txt"))" \
    grep -qxE "the link is [0-9,]{9} characters, longer than the longest link a browser opens, 1,048,572 characters" <(sed -n 3p "$page/longest.txt")
check "Chromium finds the page installable (errors: $(cat "$page/installability.txt"))" \
    grep -qx '\[\]' "$page/installability.txt"
check "with the server gone, a reload still drives ($(cat "$page/offline.txt"))" \
    grep -qE '^[1-9][0-9]* steps, keys .*U.*, worker=true$' "$page/offline.txt"

finish
