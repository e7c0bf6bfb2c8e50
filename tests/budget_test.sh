#!/usr/bin/env bash
# Instruction budgets: each fixed workload of racer_workload runs under callgrind, whose
# instruction count is the same from run to run whatever else the machine does, and its
# count per step is compared with tests/instruments/budget.txt. More than 10 % over fails,
# naming the workload and both numbers; more than 10 % under asks for a lower budget.
#
#   budget_test.sh RACER_WORKLOAD BUDGET_FILE            check
#   budget_test.sh RACER_WORKLOAD BUDGET_FILE --write    set every budget from this build
#                                                        (run from the folder that holds Data/)
set -u
workload=$(realpath "$1")
budget=$2
mode=${3:-}
source "$(dirname "$0")/harness.sh"
declare -A counts

for name in car_step frame_step race_step memcpy_frame; do
    valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$work/$name.out" \
        "$workload" "$name" >"$work/$name.stdout" 2>"$work/$name.log" ||
        { echo "FAIL $name: the workload did not run"; cat "$work/$name.log"; exit 1; }
    steps=$(cut -d' ' -f1 "$work/$name.stdout")
    total=$(sed -n 's/^summary: //p' "$work/$name.out")
    counts[$name]=$(( total / steps ))
done

if [ "$mode" = --write ]; then
    {
        echo "# Instructions per step of each fixed workload, counted by callgrind on the normal build"
        echo "# (RelWithDebInfo, g++ $(g++ -dumpfullversion), valgrind $(valgrind --version | sed 's/valgrind-//'))."
        echo "# tests/budget_test.sh fails a count more than 10 % over its budget, and asks for a"
        echo "# lower budget when one is more than 10 % under. Regenerate from the project folder:"
        echo "#   tests/budget_test.sh build/tests/racer_workload tests/instruments/budget.txt --write"
        for name in car_step frame_step race_step memcpy_frame; do echo "$name ${counts[$name]}"; done
    } >"$budget"
    cat "$budget"
    exit 0
fi

within() { [ $(($1 * 10)) -le $(($2 * 11)) ]; } # within GOT LIMIT: at most 10 % over
for name in car_step frame_step race_step memcpy_frame; do
    limit=$(awk -v n="$name" '$1 == n {print $2}' "$budget")
    got=${counts[$name]:-}
    check "$name has a budget in $budget" [ -n "$limit" ] || continue
    check "$name: ${got:-no count of} instructions per step, within 10 % over its budget of $limit" \
        numbers "$got" "$limit" -- within "$got" "$limit" || continue
    [ $(( got * 10 )) -lt $(( limit * 9 )) ] && echo "     $name is more than 10 % under its budget: lower the budget"
done
echo "     a frame step is $(awk -v f="${counts[frame_step]}" -v m="${counts[memcpy_frame]}" 'BEGIN {printf "%.2f", f / m}') times a frame's memcpy"
finish
