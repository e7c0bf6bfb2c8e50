#!/usr/bin/env bash
# car_trace under valgrind's memcheck over a 10,000-step drive: no memory errors and no
# bytes definitely lost, in our code or in the graphics library as we use it.
#
#   valgrind_trace.sh CAR_TRACE     (run from the folder that holds Data/)
set -u
trace=$(realpath "$1")
source "$(dirname "$0")/harness.sh"

# 10,000 steps: turns both ways at speed, a long straight off the window, reversing.
{
    for keys in UR UL URS U D DL S . ULR US; do
        for _ in $(seq 1000); do echo "$keys"; done
    done
} >"$work/drive.keys"

valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite \
    --error-exitcode=99 --log-file="$work/valgrind.log" \
    "$trace" --frame "$work/last.bmp" <"$work/drive.keys" >"$work/trace.out"
status=$?
steps=$(($(wc -l <"$work/trace.out") - 2))
errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$work/valgrind.log")
lost=$(sed -n 's/.*definitely lost: \([0-9,]*\) bytes.*/\1/p' "$work/valgrind.log")
grep -q "All heap blocks were freed" "$work/valgrind.log" && lost=0
grep -E "ERROR SUMMARY|definitely lost|in use at exit" "$work/valgrind.log" | sed 's/^/     /'
check "car_trace under memcheck ends with status 0 (got $status) after all 10000 steps (got $steps)" \
    [ "$status" = 0 -a "$steps" = 10000 ]
check "memcheck finds no error (${errors:-?})" [ "${errors:-}" = 0 ]
check "no byte is definitely lost (${lost:-?})" [ "${lost:-}" = 0 ]
[ "$failures" = 0 ] || head -n 80 "$work/valgrind.log"
finish
