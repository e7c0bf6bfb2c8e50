#!/usr/bin/env bash
# car_trace against its golden traces, its script errors and its --frame output.
#
#   trace_golden.sh CAR_TRACE     (run from the folder that holds Data/ and tests/)
set -u
trace=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"

for keys in "$here"/golden/*.keys; do
    name=$(basename "$keys" .keys)
    "$trace" <"$keys" >"$work/$name.out" 2>"$work/err"
    status=$?
    diff -u "${keys%.keys}.out" "$work/$name.out" >"$work/diff"
    check $([ $status = 0 ] && [ ! -s "$work/diff" ]; echo $?) "golden trace $name"
    [ -s "$work/diff" ] && head -n 20 "$work/diff"
done

expect_script_error() { # expect_script_error NAME LINE WORD < input
    "$trace" >/dev/null 2>"$work/err"
    local status=$?
    grep -q -- "line $2: .*$3" "$work/err"
    check $([ $status = 2 ] && [ $? = 0 ] && [ "$(wc -l <"$work/err")" = 1 ]; echo $?) \
        "$1: status $status, $(head -c 120 "$work/err")"
}
printf 'U\n# fine\nUX\n' | expect_script_error "unknown key letter" 3 "'X'"
printf '.\n= speed 1 wheels 4\n' | expect_script_error "unknown field" 2 "wheels"
printf '= speed fast\n' | expect_script_error "unreadable value" 1 "fast"
printf '= speed 1e99\n' | expect_script_error "value beyond a float" 1 "1e99"
printf '= leftTurn 1.5\n' | expect_script_error "fractional counter" 1 "1.5"
printf '= x\n' | expect_script_error "missing value" 1 "x"
{ printf 'U\nU\n'; head -c 300 Data/Textures/Car.bmp; } |
    expect_script_error "binary input (a BMP file)" 3 "unknown key 'B'"
{ echo U; head -c 10485760 /dev/zero | tr '\0' 'U'; echo; } | expect_script_error "10 MB line" 2 "longer than"

# Counters set at the ends of their range: the step stops there (no overflow), in both builds.
counter_at_end() { # counter_at_end NAME COLUMN WANT < input
    "$trace" >"$work/out" 2>"$work/err"
    local status=$? got
    got=$(tail -n 1 "$work/out" | cut -d' ' -f"$2")
    check $([ $status = 0 ] && [ ! -s "$work/err" ] && [ "$got" = "$3" ]; echo $?) \
        "$1: status $status, counter $got $(head -c 120 "$work/err")"
}
printf '=leftTurn 2147483647 speed 9e8\nL\n' | counter_at_end "left counter at the top" 6 2147483647
printf '=rightTurn 2147483647 speed 9e8\nR\n' | counter_at_end "right counter at the top" 7 2147483647
printf '= speed 3.4e38 leftTurn 2147483646\nL\nL\n' | counter_at_end "left counter reaching the top" 6 2147483647

"$trace" --bogus </dev/null >/dev/null 2>"$work/err"
check $([ $? = 2 ]; echo $?) "unknown option: $(cat "$work/err")"

# --frame saves what the last step drew; with no step, the black buffer.
"$trace" --frame "$work/none.bmp" </dev/null >/dev/null
size=$(stat -c %s "$work/none.bmp" 2>/dev/null || echo 0)
nonzero=$(tail -c +55 "$work/none.bmp" | tr -d '\0' | wc -c)
check $([ "$size" = $((54 + 840 * 640 * 3)) ] && [ "$nonzero" = 0 ]; echo $?) \
    "--frame with no step saves an 840x640 24-bit black picture ($size bytes)"
printf 'U\nU\n' | "$trace" --frame "$work/two.bmp" >/dev/null
nonzero=$(tail -c +55 "$work/two.bmp" | tr -d '\0' | wc -c)
check $([ "$nonzero" -gt 1000 ]; echo $?) "--frame after steps holds the car and the readout"
printf 'U\n' | "$trace" --frame "$work/no/such/dir/f.bmp" >/dev/null 2>"$work/err"
check $([ $? = 1 ] && grep -q "cannot write" "$work/err"; echo $?) "--frame to an unwritable path: $(cat "$work/err")"

# A missing or bad car image stops it before any step, with status 1 and one line.
source "$here/bad_images.sh"
for name in $(make_bad_images "$work/bad" "$PWD/Data/Textures/Car.bmp"); do
    (cd "$work/bad/$name" && timeout 5 "$trace" </dev/null >/dev/null 2>"$work/err")
    status=$?
    check $([ $status = 1 ] && [ "$(wc -l <"$work/err")" = 1 ] &&
            grep -q "cannot load Data/Textures/Car.bmp: " "$work/err"; echo $?) \
        "car image $name: status $status, $(cat "$work/err")"
done

finish
