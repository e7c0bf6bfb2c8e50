#!/usr/bin/env bash
# car_play in a real window under Xvfb: a golden script ends on the picture car_trace
# --frame draws for it, paced at 60 steps a second over more than 10 s; P pauses, N steps
# once while paused; the driving keys of the keyboard do not reach the car; a bad script
# is refused before any window opens.
#
#   play_test.sh CAR_PLAY CAR_TRACE WINDOW_PROBE     (run from the folder that holds Data/ and tests/)
set -u
play=$(realpath "$1")
trace=$(realpath "$2")
probe=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
pixels() { tail -c +55 "$1" | md5sum | cut -d' ' -f1; } # the pixel rows of a 24-bit BMP
start_xvfb "$work/xvfb.log" || exit 1

# --- A golden drive, with the keyboard's Left held all along: the car must not feel it. ---
script=$here/golden/mixed_drive.keys
steps=$(grep -vc '^[#=]' "$script")
"$trace" --frame "$work/trace.bmp" <"$script" >/dev/null
"$play" "$script" >"$work/out" 2>"$work/err" &
game_pid=$!
window=$(find_window car_play 10)
[ -n "$window" ] || { echo "FAIL car_play opens its window"; cat "$work/err"; exit 1; }
xdotool mousemove 1000 700
focus_window "$window"
xdotool keydown Left
sleep "$(awk -v n="$steps" 'BEGIN {print n / 60 + 1.5}')"
xdotool keyup Left
"$probe" "$window" --save "$work/window.bmp" >/dev/null
check $([ "$(pixels "$work/window.bmp")" = "$(pixels "$work/trace.bmp")" ]; echo $?) \
    "car_play of $(basename "$script") ends on car_trace's last picture"
press Escape
wait_exit "$game_pid"
line=$(cat "$work/err")
read -r n secs rate < <(sed -n 's/^car_play: \([0-9]*\) steps in \([0-9.]*\) s, \([0-9.]*\) steps\/s, at most [0-9]* ticks owed$/\1 \2 \3/p' "$work/err")
check $([ "$exit_status" = 0 ] && [ "${n:-0}" = "$steps" ] &&
        awk -v s="${secs:-0}" -v r="${rate:-0}" 'BEGIN {exit !(s >= 10 && r >= 59.5 && r <= 60.5)}'; echo $?) \
    "status $exit_status, pacing line: $line"

# --- P pauses, N steps once while paused, P resumes. ---
for _ in $(seq 600); do echo UR; done >"$work/circle.keys"
"$play" --exit "$work/circle.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
window=$(find_window car_play 10)
sleep 1
focus_window "$window"
xdotool keydown p; sleep 0.1; xdotool keyup p; sleep 0.2
a=$("$probe" "$window" | cut -d' ' -f6); sleep 0.5
b=$("$probe" "$window" | cut -d' ' -f6)
xdotool keydown n; sleep 0.1; xdotool keyup n; sleep 0.2
c=$("$probe" "$window" | cut -d' ' -f6)
xdotool keydown p; sleep 0.1; xdotool keyup p
check $([ "$a" = "$b" ] && [ "$b" != "$c" ]; echo $?) "paused the readout holds ($a = $b); N steps it on ($c)"
wait_exit "$game_pid" 15
check $([ "$exit_status" = 0 ] && grep -q "^car_play: 600 steps" "$work/err"; echo $?) \
    "--exit ends after the last of 600 steps: status $exit_status, $(cat "$work/err")"

# --- A bad script line: status 2 with its number, before any window (no display here). ---
printf 'U\nU\nUQ\n' >"$work/bad.keys"
env -u DISPLAY "$play" "$work/bad.keys" >/dev/null 2>"$work/err"
check $([ $? = 2 ] && grep -q "line 3: unknown key 'Q'" "$work/err"; echo $?) "a bad line: $(cat "$work/err")"

finish
