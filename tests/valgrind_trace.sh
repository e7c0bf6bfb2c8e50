#!/usr/bin/env bash
# car_trace under valgrind's memcheck over a 10,000-step drive: no memory errors and no
# bytes definitely lost, in our code or in the graphics library as we use it.
#
#   valgrind_trace.sh CAR_TRACE     (run from the folder that holds Data/)
set -u
trace=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

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
echo "steps $steps, status $status, errors ${errors:-?}, definitely lost ${lost:-?} bytes"
grep -E "ERROR SUMMARY|definitely lost|in use at exit" "$work/valgrind.log"
if [ "$status" = 0 ] && [ "$steps" = 10000 ] && [ "$errors" = 0 ] && [ "$lost" = 0 ]; then
    echo "ok   valgrind memcheck over car_trace"
    exit 0
fi
echo "FAIL valgrind memcheck over car_trace"
cat "$work/valgrind.log" | head -n 80
exit 1
