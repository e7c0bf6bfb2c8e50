#!/usr/bin/env bash
# The browser build against the Linux build: car_trace for node byte-identical on every
# golden script and the demo drive, and its pictures of two drives pixel-identical; then
# the page, served from 127.0.0.1 and driven in headless Chromium (page_probe.js): its
# canvas 840 x 640 and at rest the Linux picture, ArrowUp moving the car, 60 +- 2 steps a
# second by the page's own count, a key held when the page loses the focus let go; the
# canvas wholly on a laptop's and a phone's screens with nothing over it; a drive on the
# touch pads with several fingers and on a stubbed gamepad with the keyboard joining in,
# each holding the keys it should, and the whole drive the page recorded replaying
# through Linux car_trace to the page's picture with every state hash the same; no
# installability error; a reload that drives with the server gone; Escape ending the
# game with the page saying so, and "Drive again" starting a new one at rest.
#
#   web_test.sh WEB_BUILD LINUX_BUILD     (run from the project folder)
set -u
project=$PWD
source "$project/tests/harness.sh"
programs web linux -- "$@"
export NODE_PATH=/usr/share/nodejs
needs node:nodejs python3:python3 chromium:chromium

# --- car_trace for node: the traces and pictures of Linux. ---
check_same_traces car_trace.js node "$web/car_trace.js"
node_frames() { node "$web/car_trace.js" --frames "$1" --every "$2"; }
linux_frames() { "$linux/car_trace" --frames "$1" --every "$2"; }
check_same_frames slide_right 1 car_trace.js node_frames linux_frames
check_same_frames mixed_drive 3 car_trace.js node_frames linux_frames

# --- The page, as a player meets it. ---
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$project/dist/web" "$port" >"$work/server.log" 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; harness_cleanup' EXIT
# The Content-Type the server gives a file, or nothing while it does not answer.
served_as() { # served_as PATH
    python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1]).headers["Content-Type"])' \
        "http://127.0.0.1:$port/$1" 2>/dev/null
}
for _ in $(seq 50); do [ -n "$(served_as '')" ] && break; sleep 0.1; done
type=$(served_as racer.wasm)
check "the .wasm is served as application/wasm (got ${type:-nothing})" [ "$type" = application/wasm ]
mkdir "$work/page"
node "$project/tests/instruments/page_probe.js" "http://127.0.0.1:$port/" "$work/page" "$server_pid"
check "the page could be driven (status $?)" [ -s "$work/page/ended.txt" ]
check "the canvas is 840x640 and has the focus ($(cat "$work/page/size.txt" 2>/dev/null))" \
    [ "$(cat "$work/page/size.txt" 2>/dev/null)" = "840x640 focused=true" ]

printf '.\n' | "$linux/car_trace" --frame "$work/linux-rest.bmp" >/dev/null
check "at rest the canvas shows the Linux picture, pixel for pixel" same_pixels "$work/page/rest.bmp" "$work/linux-rest.bmp"
check "ArrowUp held for a second changes the picture" \
    test -s "$work/page/up.bmp" -a -n "$(cmp "$work/page/up.bmp" "$work/page/rest.bmp" 2>/dev/null)"

while read -r line; do
    check "the canvas wholly visible, nothing over it, on $line" grep -q 'visible=true unobstructed=true' <<<"$line"
done <"$work/page/screens.txt"
check "the laptop's page does not scroll; the phone's pads on its screen" \
    [ -n "$(grep -E '^1366x657 .*pads=none scrolls=false$' "$work/page/screens.txt")" -a \
      "$(grep -c 'pads=visible' "$work/page/screens.txt")" = 2 ]
check "touch: two fingers, a third, one lifted, one slid to the next pad, nothing scrolled ($(cat "$work/page/touch.txt"))" \
    grep -qx '. UR URS UR UL . scrolled=0' "$work/page/touch.txt"
check "a gamepad, the keyboard's Up held on when the trigger lets go ($(cat "$work/page/gamepad.txt"))" \
    grep -qx 'UR URS U .' "$work/page/gamepad.txt"

run "$linux/car_trace" --frame "$work/replay.bmp" <"$work/page/drive.keys"
cp "$work/out" "$work/replay.out"
check "the page's recording of keyboard, touch and gamepad replays in Linux car_trace, every state hash the same (status $status) $(cat "$work/err")" \
    [ $status = 0 -a "$(head -n 1 "$work/page/drive.keys")" = "# racer key script 2" ]
x=$(trace_value "$work/replay.out" x 2>/dev/null)
check "it moved the car: x went from 100 to ${x:-nothing}" \
    awk -v x="${x:-100}" 'BEGIN {exit !(x > 150 || x < 50)}'
check "and it ends on the page's picture, pixel for pixel ($(script_steps "$work/page/drive.keys") steps)" \
    same_pixels "$work/replay.bmp" "$work/page/drive.bmp"

rate=$(tail -n 1 "$work/page/rates.txt")
check "60 +- 2 steps a second by the page's own count over 10 s (got $(tr '\n' ' ' <"$work/page/rates.txt"))" \
    awk -v r="${rate:-0}" 'BEGIN {exit !(r >= 58 && r <= 62)}'

# After the page lost the focus with Up held, no step read Up any more.
blurred=$(cat "$work/page/blur.txt" 2>/dev/null || echo 0)
later=$(grep -v '^#' "$work/page/blur.keys" 2>/dev/null | tail -n +$((blurred + 30)) | cut -d' ' -f1)
check "Up held while the page lost the focus: none of the $(wc -w <<<"$later") steps from half a second later reads it" \
    numbers "$blurred" -- [ "$blurred" -gt 0 -a "$(wc -w <<<"$later")" -gt 30 -a "$(grep -c U <<<"$later")" = 0 ]
check "Chromium finds the page installable (errors: $(cat "$work/page/installability.txt"))" \
    grep -qx '\[\]' "$work/page/installability.txt"
check "with the server gone, a reload still drives ($(cat "$work/page/offline.txt"))" \
    grep -qE '^[1-9][0-9]* steps, keys .*U.*, worker=true$' "$work/page/offline.txt"
check "Escape ends the game and the page says so: $(cat "$work/page/ended.txt")" \
    grep -q "The game has ended" "$work/page/ended.txt"
check "Drive again starts a new drive, at rest as on Linux" same_pixels "$work/page/again.bmp" "$work/linux-rest.bmp"

finish
