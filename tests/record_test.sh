#!/usr/bin/env bash
# car_record in a real window under Xvfb, racing a ghost (a golden drive), driven by real
# key events at random moments (over 100 changes in 20 s, some less than a frame apart),
# then left to come to rest: car_trace on the recording must check every step's state hash
# (the ghost's keys never reached it) and, racing the same ghost, end on the window's last
# picture, pixel for pixel; car_play must replay it with every hash the same; and with one
# step's keys changed, both must stop at that step, naming it.
#
#   record_test.sh CAR_RECORD CAR_TRACE CAR_PLAY WINDOW_PROBE [RUNS]    (run from the folder that holds Data/)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
programs record trace play probe -- "$@"
runs=${5:-1}
start_xvfb "$work/xvfb.log" || exit 1

# One xdotool command line of key changes with random pauses, a fifth of them under a frame.
drive() { # drive SEED -> prints the xdotool arguments
    RANDOM=$1
    local keys=(Up Up Up Down Left Right Left Right space) held=() k changes=0 ms=0 i
    declare -A down=()
    while [ $changes -lt 130 ] || [ $ms -lt 21000 ]; do
        k=${keys[RANDOM % ${#keys[@]}]}
        if [ -n "${down[$k]:-}" ]; then echo "keyup $k"; unset "down[$k]"; else echo "keydown $k"; down[$k]=1; fi
        changes=$((changes + 1))
        if [ $((RANDOM % 5)) = 0 ]; then i=$((RANDOM % 12)); else i=$((20 + RANDOM % 300)); fi
        ms=$((ms + i))
        printf 'sleep 0.%03d\n' "$i"
    done
    for k in "${!down[@]}"; do echo "keyup $k"; done
}

for run in $(seq "$runs"); do
    rm -f "$work/drive.keys"
    "$record" --ghost "$here/golden/mixed_drive.keys" "$work/drive.keys" >"$work/out" 2>"$work/err" &
    game_pid=$!
    find_window car_record 10
    check "run $run: car_record opens its window ($window_seen)" [ -n "$window" ] || { cat "$work/err"; break; }
    sleep 0.5
    xdotool mousemove 1000 700 # the pointer off the window
    focus_window "$window"
    seed=$(( $(date +%s%N) % 32768 ))
    mapfile -t actions < <(drive "$seed")
    xdotool ${actions[*]}
    focused "$window" || echo "     the drive's keys may have gone astray: $key_seen"
    sleep 4 # the car comes to rest
    "$probe" "$window" --save "$work/window.bmp" >/dev/null
    press "$window" Escape
    wait_exit "$game_pid"
    changes=$(printf '%s\n' "${actions[@]}" | grep -c '^key')
    steps=$(script_steps "$work/drive.keys")
    "$trace" <"$work/drive.keys" >"$work/trace.out" 2>"$work/err"
    verified=$?
    "$trace" --ghost "$here/golden/mixed_drive.keys" --frame "$work/trace.bmp" <"$work/drive.keys" >"$work/raced.out" 2>&1
    at=$(printf "car at (%.0f, %.0f), angle %s" "$(trace_value "$work/trace.out" x)" \
        "$(trace_value "$work/trace.out" y)" "$(trace_value "$work/trace.out" angle)")
    check "run $run (seed $seed): $changes key changes, $steps steps recorded, status $exit_status ($key_seen)" \
        numbers "$steps" -- [ "$exit_status" = 0 -a "$steps" -ge 1200 ]
    check "run $run: the recording opens with the format's version line" \
        [ "$(head -n 1 "$work/drive.keys")" = "# racer key script 2" ]
    check "run $run: every step line gives the keys and the state hash" \
        [ "$steps" = "$(grep -Ec '^[UDLRS.]+ [0-9a-f]{16}$' "$work/drive.keys")" ]
    check "run $run: car_trace checks every hash, all the same, the ghost's keys in none (status $verified) $(cat "$work/err")" \
        [ "$verified" = 0 ]
    check "run $run: the replay racing the same ghost ends on the window's picture ($at)" same_pixels "$work/window.bmp" "$work/trace.bmp" ||
        cp "$work/drive.keys" "$work/window.bmp" "$work/trace.bmp" /tmp/ 2>/dev/null
    [ "$run" = 1 ] && cp "$work/drive.keys" "$work/first.keys"
done

# The first recording replays with every hash the same in car_play too; with one step's keys
# changed, both tools stop at that step and name it.
if [ -f "$work/first.keys" ]; then
    run "$play" --speed 4 --exit "$work/first.keys"
    check "car_play --exit replays the recording with every hash the same (status $status)" [ $status = 0 ]
    # Up toggled on the 500th step: the speed after it differs, whatever the car was doing.
    line=$(awk '!/^[#=]/ && ++n == 500 {print NR; exit}' "$work/first.keys")
    awk -v at="$line" 'NR == at {k = $1; sub(/U/, "", k); if (k == $1) k = "U" $1; if (k == "") k = "."; $1 = k}
                       {print}' "$work/first.keys" >"$work/changed.keys"
    want="line $line, step 500: the script holds state hash"
    run "$trace" <"$work/changed.keys"
    check "car_trace stops at the changed step with status 3 (got $status): $(cat "$work/err")" \
        [ $status = 3 -a "$(grep -c "^car_trace: $want [0-9a-f]\{16\}, this build reached [0-9a-f]\{16\}$" "$work/err")" = 1 ]
    run "$play" --speed 4 --exit "$work/changed.keys"
    check "car_play --exit stops there too with status 3 (got $status): $(head -n 1 "$work/err")" \
        [ $status = 3 -a "$(grep -c "^car_play: $want" "$work/err")" = 1 ]
fi

# Nothing lost: a killed recorder keeps all but its last second; SIGTERM ends it as Escape does.
for signal in KILL TERM; do
    rm -f "$work/killed.keys"
    "$record" "$work/killed.keys" >/dev/null 2>"$work/err" &
    game_pid=$!
    find_window car_record 10
    sleep 3
    kill -s "$signal" "$game_pid"
    wait_exit "$game_pid"
    kept=$(script_steps "$work/killed.keys" 2>/dev/null)
    [ -n "$kept" ] || { kept=0; echo "     car_record said: $(cat "$work/err")"; }
    if [ "$signal" = KILL ]; then
        check "killed after 3 s, the file keeps $kept steps (at least 2 s of them)" [ "$kept" -ge 110 ]
    else
        check "SIGTERM after 3 s: status $exit_status, $kept steps kept" [ "$exit_status" = 0 -a "$kept" -ge 170 ]
    fi
done

# A path that cannot be created, and an existing file, fail before any window opens.
run "$record" "$work/no/such/folder/x.keys"
check "an impossible path gives status 1 (got $status) and one line" [ $status = 1 -a "$(wc -l <"$work/err")" = 1 ]
check "the line names the path and the cause: $(cat "$work/err")" grep -q "no/such/folder/x.keys: No such file" "$work/err"
echo kept >"$work/kept.keys"
run "$record" "$work/kept.keys"
check "an existing file is kept, status 1 (got $status): $(cat "$work/err")" [ $status = 1 -a "$(cat "$work/kept.keys")" = kept ]

finish
