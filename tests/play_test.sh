#!/usr/bin/env bash
# car_play in a real window under Xvfb: a golden script ends on the picture car_trace
# --frame draws for it, paced at 60 steps a second over more than 10 s; P pauses, N steps
# once while paused; five steps back from step 100 show step 95's picture; four times real
# time plays 600 steps in 2.5 s; the driving keys of the keyboard do not reach the car; a
# bad script is refused before any window opens.
#
#   play_test.sh CAR_PLAY CAR_TRACE WINDOW_PROBE     (run from the folder that holds Data/ and tests/)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
programs play trace probe -- "$@"
start_xvfb "$work/xvfb.log" || exit 1

# --- A golden drive, with the keyboard's Left held all along: the car must not feel it. ---
script=$here/golden/mixed_drive.keys
steps=$(script_steps "$script")
"$trace" --frame "$work/trace.bmp" <"$script" >/dev/null
"$play" "$script" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
check "car_play opens its window ($window_seen)" [ -n "$window" ] || { cat "$work/err"; exit 1; }
xdotool mousemove 1000 700
focus_window "$window"
xdotool keydown Left
sleep "$(awk -v n="$steps" 'BEGIN {print n / 60 + 1.5}')"
xdotool keyup Left
"$probe" "$window" --save "$work/window.bmp" >/dev/null
check "car_play of $(basename "$script") ends on car_trace's last picture" \
    same_pixels "$work/window.bmp" "$work/trace.bmp"
press Escape
wait_exit "$game_pid"
line=$(cat "$work/err")
read -r n secs rate < <(sed -n 's/^car_play: \([0-9]*\) steps in \([0-9.]*\) s, \([0-9.]*\) steps\/s, at most [0-9]* ticks owed$/\1 \2 \3/p' "$work/err")
check "status 0 (got $exit_status) after all $steps steps: $line" [ "$exit_status" = 0 -a "${n:-0}" = "$steps" ]
check "paced at 60 steps/s (59.5 to 60.5) over at least 10 s" \
    awk -v s="${secs:-0}" -v r="${rate:-0}" 'BEGIN {exit !(s >= 10 && r >= 59.5 && r <= 60.5)}'

# --- P pauses, N steps once while paused, P resumes. ---
for _ in $(seq 600); do echo UR; done >"$work/circle.keys"
"$play" --exit "$work/circle.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
sleep 1
focus_window "$window"
xdotool keydown p; sleep 0.1; xdotool keyup p; sleep 0.2
a=$("$probe" "$window" | cut -d' ' -f6); sleep 0.5
b=$("$probe" "$window" | cut -d' ' -f6)
xdotool keydown n; sleep 0.1; xdotool keyup n; sleep 0.2
c=$("$probe" "$window" | cut -d' ' -f6)
xdotool keydown p; sleep 0.1; xdotool keyup p
check "paused, the readout holds ($a = $b)" [ "$a" = "$b" ]
check "N steps it on ($c)" [ "$b" != "$c" ]
wait_exit "$game_pid" 15
check "--exit ends after the last of 600 steps: status $exit_status, $(cat "$work/err")" \
    [ "$exit_status" = 0 -a "$(grep -c "^car_play: 600 steps" "$work/err")" = 1 ]

# --- Paused at step 100, five steps back: the picture of step 95, exactly as car_trace
# draws it (the steps re-run from the snapshot of step 60). ---
awk -v n=95 '/^[[:blank:]]*[#=]/ {print; next} {print; if (++steps == n) exit}' "$script" >"$work/95.keys"
"$trace" --frame "$work/trace95.bmp" <"$work/95.keys" >/dev/null
"$play" --pause-at 100 "$script" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
xdotool mousemove 1000 700
focus_window "$window"
sleep 2.5 # 100 steps, and to spare
for _ in 1 2 3 4 5; do press b; sleep 0.1; done
sleep 0.3
"$probe" "$window" --save "$work/back95.bmp" >/dev/null
check "paused at step 100, five steps back show car_trace's picture of step 95" \
    same_pixels "$work/back95.bmp" "$work/trace95.bmp"
press Escape
wait_exit "$game_pid"

# --- Four times real time: 600 steps in 2.5 s, every step the same. ---
"$trace" --frame "$work/circle.bmp" <"$work/circle.keys" >/dev/null
"$play" --speed 4 --exit "$work/circle.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
wait_exit "$game_pid" 15
read -r n secs < <(sed -n 's/^car_play: \([0-9]*\) steps in \([0-9.]*\) s.*/\1 \2/p' "$work/err")
check "--speed 4 plays 600 steps in 2.5 s +- 0.2: $(cat "$work/err")" \
    awk -v n="${n:-0}" -v s="${secs:-0}" 'BEGIN {exit !(n == 600 && s >= 2.3 && s <= 2.7)}'
check "and ends with status 0 (got $exit_status)" [ "$exit_status" = 0 ]

# --- A bad script line: status 2 with its number, before any window (no display here). ---
printf 'U\nU\nUQ\n' >"$work/bad.keys"
env -u DISPLAY "$play" "$work/bad.keys" >/dev/null 2>"$work/err"
status=$?
check "a bad line gives status 2 (got $status)" [ $status = 2 ]
check "the message names its line: $(cat "$work/err")" grep -q "line 3: unknown key 'Q'" "$work/err"

finish
