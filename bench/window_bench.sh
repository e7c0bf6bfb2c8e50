#!/usr/bin/env bash
# The window as a player meets it, under Xvfb: the latency from pressing Up (car at rest)
# to the first changed pixel of the readout, 200 presses; and car_play's pacing over a
# 30-second drive.
#
#   window_bench.sh BUILD_FOLDER [PRESSES]     (run from the folder that holds Data/)
set -u
build=$(realpath "$1")
presses=${2:-200}
source "$(dirname "$0")/../tests/harness.sh"
start_xvfb "$work/xvfb.log" || exit 1

"$build/racer" &
game_pid=$!
window=$(find_window racer 10)
sleep 1
xdotool mousemove 1000 700
focus_window "$window"
echo "== press-to-pixel latency of the game, Up pressed $presses times with the car at rest"
"$build/tests/window_probe" "$window" --latency "$presses"
press Escape
wait_exit "$game_pid"

echo "== car_play pacing over a 30-second drive"
for i in $(seq 1800); do case $(( i / 150 % 4 )) in 0) echo U ;; 1) echo UR ;; 2) echo US ;; 3) echo DL ;; esac; done >"$work/drive.keys"
"$build/car_play" --exit "$work/drive.keys"
