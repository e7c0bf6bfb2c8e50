#!/usr/bin/env bash
# car_play in a real window under Xvfb: a golden script ends on the picture car_trace
# --frame draws for it, never faster than 60 steps a second; P pauses, N steps once while
# paused; five steps back from step 100 show step 95's picture; four times real time plays
# 600 steps in 2.5 s to 5 s; a link plays too; the driving keys of the keyboard do not
# reach the car; a bad script is refused before any window opens. (The pacing's own figures: scripts/bench.)
#
#   play_test.sh CAR_PLAY CAR_TRACE WINDOW_PROBE     (run from the folder that holds Data/ and tests/)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
programs play trace probe -- "$@"
start_xvfb "$work/xvfb.log" || exit 1

# --- A golden drive, with the keyboard's Left held all along: the car must not feel it. ---
# The golden drive ends at rest, its last pictures alike: one step turned to 45 degrees
# after it makes the last picture the last step's alone.
script=$here/golden/mixed_drive.keys
{ cat "$script"; echo "= angle 45"; echo; } >"$work/drive.keys"
steps=$(script_steps "$work/drive.keys")
"$trace" --frame "$work/trace.bmp" <"$work/drive.keys" >/dev/null
"$play" "$work/drive.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
check "car_play opens its window ($window_seen)" [ -n "$window" ] || { cat "$work/err"; exit 1; }
xdotool mousemove 1000 700
focus_window "$window"
xdotool keydown Left
wait_for_picture "$window" "$work/trace.bmp" $((steps / 60 + 30))
check "car_play of $(basename "$script") ends on car_trace's last picture (the keyboard's Left held: $(focused "$window" && echo "in its window" || echo "$key_seen"))" \
    same_pixels "$work/shown.bmp" "$work/trace.bmp"
xdotool keyup Left
press "$window" Escape
wait_exit "$game_pid"
line=$(cat "$work/err")
read -r n secs < <(sed -n 's/^car_play: \([0-9]*\) steps in \([0-9.]*\) s, [0-9.]* steps\/s, at most [0-9]* ticks owed$/\1 \2/p' "$work/err")
check "status 0 (got $exit_status) after all $steps steps: $line" [ "$exit_status" = 0 -a "${n:-0}" = "$steps" ]
check "never faster than 60 steps a second: at least $(awk -v n="$steps" 'BEGIN {printf "%.2f", n / 60}') s for them" \
    awk -v s="${secs:-0}" -v n="$steps" 'BEGIN {exit !(s >= n / 60 - 0.02)}'

# --- P pauses, N steps once while paused, P resumes. ---
for _ in $(seq 600); do echo UR; done >"$work/circle.keys"
"$play" --exit "$work/circle.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
wait_for_car "$window" 10
press "$window" p 0.1
wait_still "$window" 5
a=$readout
sleep 0.5
b=$("$probe" "$window" | cut -d' ' -f6)
check "paused, the readout holds ($a = $b; $key_seen)" [ -n "$a" -a "$a" = "$b" ]
press "$window" n 0.1
for _ in $(seq 50); do c=$("$probe" "$window" | cut -d' ' -f6); [ "$c" != "$b" ] && break; sleep 0.1; done
check "N steps it on ($c; $key_seen)" [ "$b" != "$c" ]
press "$window" p 0.1
wait_exit "$game_pid" 15
check "--exit ends after the last of 600 steps: status $exit_status, $(cat "$work/err")" \
    [ "$exit_status" = 0 -a "$(grep -c "^car_play: 600 steps" "$work/err")" = 1 ]

# --- Paused at step 100, five steps back: the picture of step 95, exactly as car_trace
# draws it (the steps re-run from the snapshot of step 60). ---
for n in 95 100; do
    awk -v n=$n '/^[[:blank:]]*[#=]/ {print; next} {print; if (++steps == n) exit}' "$script" |
        "$trace" --frame "$work/trace$n.bmp" >/dev/null
done
"$play" --pause-at 100 "$script" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
xdotool mousemove 1000 700
wait_for_picture "$window" "$work/trace100.bmp" 15
sleep 0.5
"$probe" "$window" --save "$work/shown.bmp" >/dev/null
check "it pauses at step 100: half a second on, it still shows car_trace's picture of that step" \
    same_pixels "$work/shown.bmp" "$work/trace100.bmp"
for _ in 1 2 3 4 5; do press "$window" b; sleep 0.1; done
wait_for_picture "$window" "$work/trace95.bmp" 5
check "paused at step 100, five steps back show car_trace's picture of step 95 ($key_seen)" \
    same_pixels "$work/shown.bmp" "$work/trace95.bmp"
press "$window" Escape
wait_exit "$game_pid"

# --- Four times real time: 600 steps in 2.5 s, every step the same. ---
"$trace" --frame "$work/circle.bmp" <"$work/circle.keys" >/dev/null
"$play" --speed 4 --exit "$work/circle.keys" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window car_play 10
wait_exit "$game_pid" 15
read -r n secs < <(sed -n 's/^car_play: \([0-9]*\) steps in \([0-9.]*\) s.*/\1 \2/p' "$work/err")
check "--speed 4 plays 600 steps in 2.5 s to 5 s, at least twice as fast as real time: $(cat "$work/err")" \
    awk -v n="${n:-0}" -v s="${secs:-0}" 'BEGIN {exit !(n == 600 && s >= 2.48 && s <= 5)}'
check "and ends with status 0 (got $exit_status)" [ "$exit_status" = 0 ]
run "$play" --speed 4 --exit "https://example.org/racer/#$(cat "$here/golden/mixed_drive.link")"
check "a link as its argument, the whole address, plays with every state hash the same (status $status) $(cat "$work/err")" [ $status = 0 ]

# --- A bad script line: status 2 with its number, before any window (no display here). ---
printf 'U\nU\nUQ\n' >"$work/bad.keys"
run env -u DISPLAY "$play" "$work/bad.keys"
check "a bad line gives status 2 (got $status)" [ $status = 2 ]
check "the message names its line: $(cat "$work/err")" grep -q "line 3: unknown key 'Q'" "$work/err"

finish
