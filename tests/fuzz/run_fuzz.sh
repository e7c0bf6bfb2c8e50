#!/usr/bin/env bash
# Runs a libFuzzer target for a while from its seeds and fails on any finding: a crash, a
# leak, a timeout or a sanitizer report. A finding is kept as
# tests/fuzz/findings/TARGET-*; once fixed, move it into the target's corpus folder.
#
#   run_fuzz.sh TARGET_BINARY SECONDS SEED...     (a SEED is a file or a folder of files)
set -u
binary=$(realpath "$1")
seconds=$2
shift 2
name=$(basename "$binary")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../harness.sh"
mkdir -p "$work/corpus" "$here/findings"
for seed in "$@"; do
    if [ -d "$seed" ]; then cp "$seed"/* "$work/corpus/"; else cp "$seed" "$work/corpus/"; fi
done

ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$binary" "$work/corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$here/findings/$name-" >"$work/log" 2>&1
status=$?
grep -E "^#[0-9]+.*(DONE|pulse)|stat::number_of_executed_units|stat::average_exec_per_sec|cov:" "$work/log" |
    tail -n 3 | sed 's/^/     /'
check "$name ran ${seconds} s and ended with status 0 (got $status)" [ "$status" = 0 ]
check "$name: no sanitizer report" fails grep -q "runtime error\|ERROR: " "$work/log"
[ "$failures" = 0 ] || grep -E -A 20 "runtime error|ERROR: |==[0-9]+==" "$work/log" | head -n 60
finish
