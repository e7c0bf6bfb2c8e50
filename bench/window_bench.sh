#!/usr/bin/env bash
# The window as a player meets it, under Xvfb: the latency from pressing Up (car at rest)
# to the first changed pixel of the readout, in 4 rounds of a new game each; then
# car_play's pacing over a 30-second drive.
#
#   window_bench.sh BUILD_FOLDER [PRESSES]     (run from the folder that holds Data/;
#                                               PRESSES default 200)
set -u
build=$(realpath "$1")
presses=${2:-200}
source "$(dirname "$0")/../tests/harness.sh"
start_xvfb "$work/xvfb.log" || exit 1
rounds=4

# Mean, median, 90th and 99th percentile, maximum and minimum of the times in $1 (ms).
summary() { # summary FILE
    sort -n "$1" | awk '{ v[NR] = $1; sum += $1 }
        function at(q) { i = int(q * (NR - 1) + 0.5) + 1; return v[i] }
        END { printf "%d presses: mean %.1f ms, median %.1f, p90 %.1f, p99 %.1f, max %.1f, min %.1f\n",
                     NR, sum / NR, at(0.5), at(0.9), at(0.99), v[NR], v[1] }'
}

# Presses Up $2 times in the window of a new game $1, appending the times to $work/$1.
measure() { # measure GAME PRESSES
    "$build/$1" &
    game_pid=$!
    find_window "$1" 10 || { echo "  no window: $window_seen"; return 1; }
    sleep 1
    xdotool mousemove 1000 700
    focus_window "$window"
    "$build/tests/window_probe" "$window" --latency "$2" >>"$work/$1" || echo "  (a press was missed)"
    press "$window" Escape
    wait_exit "$game_pid"
}

echo "== press-to-pixel latency, Up pressed at random moments with the car at rest"
for round in $(seq "$rounds"); do
    measure racer $((presses / rounds))
done
echo "  $(summary "$work/racer")"

echo "== car_play pacing over a 30-second drive"
for i in $(seq 1800); do case $(( i / 150 % 4 )) in 0) echo U ;; 1) echo UR ;; 2) echo US ;; 3) echo DL ;; esac; done >"$work/drive.keys"
"$build/car_play" --exit "$work/drive.keys"
