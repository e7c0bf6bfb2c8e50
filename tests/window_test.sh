#!/usr/bin/env bash
# The game in a real window under Xvfb, driven by real key events: it opens 840 x 640,
# keeps running, drives right while Up is held, and exits 0 within 2 s of Escape; its frame
# step reads a key that has reached the window and sends its picture within the step.
# Also the start-ups that must fail: no display, and a missing or bad car image.
#
#   window_test.sh GAME WINDOW_PROBE WINDOW_STEP_TEST BAD_IMAGES     (run from the folder that holds Data/)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
programs game probe step_test bad_images -- "$@"

now() { echo "${EPOCHREALTIME/./}"; } # microseconds

start_xvfb "$work/xvfb.log" || exit 1

# --- The game runs, drives and quits. ---
"$game" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window racer 10
check "the game opens its 840x640 window named racer ($window_seen)" [ -n "$window" ]
if [ -z "$window" ]; then cat "$work/err"; exit 1; fi
wait_for_car "$window" 10 "$work/start.bmp"
check "the game keeps running" kill -0 "$game_pid"
read -r _ _ red0 min0 max0 readout0 < <("$probe" "$window")
check "at start the red outline spans x 50..150 (got $min0..$max0, $red0 pixels)" \
    numbers "$red0" "$min0" "$max0" -- [ "$red0" -gt 0 -a "$min0" -eq 50 -a "$max0" -eq 150 ]

press "$window" Up 1
sleep 0.3
read -r _ _ red1 min1 max1 readout1 < <("$probe" "$window" --save "$work/driven.bmp")
check "after Up for a second the outline lies right of the start (x $min1..$max1; $key_seen)" \
    numbers "$red1" "$min1" -- [ "$red1" -gt 0 -a "$min1" -gt 150 ]
check "the readout changed from its all-zero start" [ "$readout1" != "$readout0" ]
[ -n "${WINDOW_TEST_SHOTS:-}" ] && cp "$work/start.bmp" "$work/driven.bmp" "$WINDOW_TEST_SHOTS"/

start=$(now)
press "$window" Escape 0.1
wait_exit "$game_pid"
status=$exit_status
elapsed=$(( ($(now) - start) / 1000 ))
check "Escape ends the game with status 0 in ${elapsed} ms (status $status; $key_seen)" \
    [ "$status" = 0 -a "$elapsed" -le 2000 ]

# --- The frame step takes waiting input and sends its picture itself (in a window of its own). ---
"$step_test" >"$work/step.log" 2>&1
status=$?
check "a step reads the key that reached the window and sends its picture before it ends (status $status)" \
    [ $status = 0 ]
[ $status = 0 ] || grep -E "Failure|error|press [0-9]+:" "$work/step.log" | head -n 8

# --- The window's close button ends it as Escape does. ---
"$game" >"$work/out" 2>"$work/err" &
game_pid=$!
find_window racer 10
start=$(now)
"$probe" "$window" --close
wait_exit "$game_pid"
status=$exit_status
elapsed=$(( ($(now) - start) / 1000 ))
check "WM_DELETE_WINDOW ends the game with status 0 in ${elapsed} ms (status $status)" \
    [ "$status" = 0 -a "$elapsed" -le 2000 ]
check "closed, it prints nothing" [ ! -s "$work/out" -a ! -s "$work/err" ]

# Closed as soon as its window exists, before the start-up is done: not lost either.
statuses=
for _ in 1 2 3 4 5; do
    "$game" >"$work/out" 2>"$work/err" &
    game_pid=$!
    window=
    for _ in $(seq 500); do
        window=$(xdotool search --name '^racer$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.01
    done
    "$probe" "$window" --close
    wait_exit "$game_pid" 3
    statuses="$statuses $exit_status"
done
check "closed the moment its window exists, it ends with status 0 each time ($statuses)" \
    [ "$statuses" = " 0 0 0 0 0" ]

# --- Ctrl+C (SIGINT) and SIGTERM end it as Escape does, instead of the library's crash. ---
for signal in INT TERM; do
    "$game" >"$work/out" 2>"$work/err" &
    game_pid=$!
    find_window racer 10
    sleep 0.3
    kill -s "$signal" "$game_pid"
    wait_exit "$game_pid"
    check "SIG$signal ends the game with status 0 (status $exit_status), printing nothing $(head -c 100 "$work/err")" \
        [ "$exit_status" = 0 -a ! -s "$work/out" -a ! -s "$work/err" ]
done

# A kill during the start-up too: before the game's handlers are in place it is the plain
# end of a killed process (status 143), never the library's abort.
statuses=
for delay in 0 0.01 0.02 0.03 0.04 0.05 0.06 0.08 0.1 0.15 0.2 0.3; do
    "$game" >"$work/out" 2>"$work/err" &
    game_pid=$!
    sleep "$delay"
    kill -s TERM "$game_pid"
    wait_exit "$game_pid" 5
    [ -s "$work/out" -o -s "$work/err" ] && exit_status="$exit_status+output"
    statuses="$statuses $exit_status"
done
check "SIGTERM 0 to 300 ms into the start-up: 0 or 143 each time, nothing printed ($statuses)" \
    fails grep -qvE '^(0|143)$' <(tr ' ' '\n' <<<"${statuses# }")

# --- Start-ups that must fail with status 1 and one line naming the cause. ---
expect_failure() { # expect_failure NAME WORDS FOLDER [env args...]
    local name=$1 words=$2 folder=$3
    shift 3
    local t0 code
    t0=$(now)
    (cd "$folder" && timeout 5 env "$@" "$game" >"$work/out" 2>"$work/err")
    code=$?
    local ms=$(( ($(now) - t0) / 1000 ))
    check "$name: status $code in $ms ms, $(wc -l <"$work/err") line: $(head -c 200 "$work/err")" \
        [ "$code" = 1 -a "$(wc -l <"$work/err")" = 1 -a "$ms" -le 2000 ]
    check "$name: the line names the cause" grep -q -- "$words" "$work/err"
}

expect_failure "no display" "display" "$PWD" -u DISPLAY
for name in $(make_bad_images "$work/bad"); do
    expect_failure "car image $name" "cannot load Data/Textures/Car.bmp: " "$work/bad/$name"
done

finish
