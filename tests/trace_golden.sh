#!/usr/bin/env bash
# car_trace against its golden traces, its script errors and its --frame output.
#
#   trace_golden.sh CAR_TRACE BAD_IMAGES    check every golden trace, the errors, the pictures
#   trace_golden.sh CAR_TRACE --write       write every golden trace from this car_trace,
#                                           showing what changed in each
# (run from the folder that holds Data/ and tests/)
set -u
trace=$(realpath "$1")
mode=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/harness.sh"
[ "$mode" = --write ] || { bad_images=$(realpath "$2"); mode=; }

if [ "$mode" = --write ]; then
    for keys in "$here"/golden/*.keys; do
        golden=${keys%.keys}.out
        "$trace" <"$keys" >"$work/new" || { echo "car_trace failed on $keys"; exit 1; }
        if cmp -s "$work/new" "$golden"; then
            echo "unchanged $(basename "$golden")"
        else
            first=$(cmp "$golden" "$work/new" 2>/dev/null | sed -n 's/.* line \([0-9]*\)$/\1/p')
            echo "changed   $(basename "$golden"): $(diff "$golden" "$work/new" | grep -c '^>') of" \
                "$(wc -l <"$work/new") lines, the first at line ${first:-?}" \
                "($([ "${first:-1}" = 1 ] && echo "the header" || echo "step $(sed -n "${first}p" "$work/new" | cut -d' ' -f1)")); git diff shows them"
            cp "$work/new" "$golden"
        fi
    done
    exit 0
fi

# A golden link is a link already sent (of either version): it must play the drive it held.
for keys in "$here"/golden/*.keys "$here"/golden/*.link; do
    name=$(basename "$keys")
    run "$trace" <"$keys"
    diff -u "${keys%.*}.out" "$work/out" >"$work/diff"
    check "golden trace $name (status $status)" [ $status = 0 -a ! -s "$work/diff" ]
    [ -s "$work/diff" ] && head -n 20 "$work/diff"
done

# A bad line stops car_trace with status 2 and one line that names its number and cause.
# (The input comes by process substitution, not a pipe: a check in a pipeline would count
# its failure in a subshell, and the test would pass on it.)
expect_script_error() { # expect_script_error NAME LINE WORD < input
    run "$trace"
    check "$1: status 2 (got $status)" [ $status = 2 ]
    check "$1: one line naming line $2 and $3: $(head -c 120 "$work/err")" \
        grep -q -- "^car_trace: line $2: .*$3" "$work/err"
}
expect_script_error "unknown key letter" 3 "'X'" < <(printf 'U\n# fine\nUX\n')
expect_script_error "unknown field" 2 "wheels" < <(printf '.\n= speed 1 wheels 4\n')
expect_script_error "unreadable value" 1 "fast" < <(printf '= speed fast\n')
expect_script_error "value beyond a float" 1 "1e99" < <(printf '= speed 1e99\n')
expect_script_error "fractional counter" 1 "1.5" < <(printf '= leftTurn 1.5\n')
expect_script_error "missing value" 1 "x" < <(printf '= x\n')
expect_script_error "binary input (a BMP file)" 3 "unknown key 'B'" < <(printf 'U\nU\n'; head -c 300 Data/Textures/Car.bmp)
expect_script_error "10 MB line" 2 "longer than" < <({ echo U; head -c 10485760 /dev/zero | tr '\0' 'U'; echo; })

# Version 2: a hash that is not 16 hex digits, or a word after it, is a bad line; a newer
# version is refused; a version-1 script reads as it always did.
expect_script_error "a hash of 4 digits" 2 "'0123' is not 16 hex digits" < <(printf '# racer key script 2\nU 0123\n')
expect_script_error "a hash with a g" 2 "is not 16 hex digits" < <(printf '# racer key script 2\n. 0123456789abcdeg\n')
expect_script_error "a word after the hash" 2 "more than" < <(printf '# racer key script 2\nU 0123456789abcdef x\n')
expect_script_error "a newer version" 1 "version 9" < <(printf '# racer key script 9\nU\n')
expect_script_error "a hash in version 1" 1 "unknown key '0'" < <(printf 'U 0123456789abcdef\n')

# A golden drive with every step's state hash (from its golden trace) replays with status 0;
# with one hash changed, car_trace stops at that step, status 3, naming both hashes.
hashed() { # hashed NAME: the golden script as version 2, each step's keys as one word with its golden hash
    echo "# racer key script 2"
    awk 'NR == FNR { if (FNR > 2) hash[FNR - 2] = $NF; next }
         /^[[:blank:]]*[#=]/ {print; next}
         { keys = $0; gsub(/[[:blank:]]/, "", keys); print (keys == "" ? "." : keys) " " hash[++n] }' \
        "$here/golden/$1.out" "$here/golden/$1.keys"
}
hashed mixed_drive >"$work/hashed.keys"
run "$trace" <"$work/hashed.keys"
check "mixed_drive with its 902 hashes: status 0 (got $status) $(cat "$work/err")" [ $status = 0 ]
sed '301s/ [0-9a-f]*$/ 0123456789abcdef/' "$work/hashed.keys" >"$work/wrong.keys"
run "$trace" <"$work/wrong.keys"
check "one hash changed: status 3 (got $status)" [ $status = 3 ]
check "the one line names the script line, the step and both hashes: $(cat "$work/err")" \
    grep -qx "car_trace: line 301, step 299: the script holds state hash 0123456789abcdef, this build reached [0-9a-f]\{16\}" "$work/err"

# Ghosts: the hashed drive raced beside the golden one checks every one of its state hashes
# (it stands step for step where car_trace put its drive) and leaves the player's trace as it
# is; with a hash changed, that ghost parts there, named, and the race goes on.
run "$trace" --ghost "$work/hashed.keys" --ghost "$here/golden/slide_right.keys" <"$here/golden/mixed_drive.keys"
check "two ghosts beside mixed_drive, one with a hash a step: status 0, the golden trace byte for byte (status $status) $(cat "$work/err")" \
    eval '[ $status = 0 ] && cmp -s "$work/out" "$here/golden/mixed_drive.out"'
run "$trace" --ghost "$work/wrong.keys" <"$here/golden/mixed_drive.keys"
check "a ghost with a hash changed parts at that step, named, and the race goes on: status $status, $(cat "$work/err")" \
    eval '[ $status = 3 ] && cmp -s "$work/out" "$here/golden/mixed_drive.out" &&
          grep -qx "car_trace: ghost 1 (.*wrong.keys) parted: line 301, step 299: the script holds state hash 0123456789abcdef, this build reached [0-9a-f]\{16\}" "$work/err"'
run "$trace" $(printf -- '--ghost %s ' "$here"/golden/{up48,down20,stops,drift90,slide_left}.keys) </dev/null
check "a fifth ghost is refused: status $status, $(cat "$work/err")" [ $status = 2 ]

# Counters set at the ends of their range: the step stops there (no overflow), in both builds.
counter_at_end() { # counter_at_end NAME COLUMN WANT < input
    local got
    run "$trace"
    got=$(trace_value "$work/out" "$2")
    check "$1: status $status, $2 $got $(head -c 120 "$work/err")" [ $status = 0 -a ! -s "$work/err" -a "$got" = "$3" ]
}
counter_at_end "left counter at the top" leftTurn 2147483647 < <(printf '=leftTurn 2147483647 speed 9e8\nL\n')
counter_at_end "right counter at the top" rightTurn 2147483647 < <(printf '=rightTurn 2147483647 speed 9e8\nR\n')
counter_at_end "left counter reaching the top" leftTurn 2147483647 < <(printf '= speed 3.4e38 leftTurn 2147483646\nL\nL\n')

run "$trace" --bogus </dev/null
check "an unknown option gives status 2 (got $status): $(cat "$work/err")" [ $status = 2 ]

# --frame saves what the last step showed; with no step, the black screen.
"$trace" --frame "$work/none.bmp" </dev/null >/dev/null
size=$(stat -c %s "$work/none.bmp" 2>/dev/null || echo 0)
nonzero=$(tail -c +55 "$work/none.bmp" | tr -d '\0' | wc -c)
check "--frame with no step saves an 840x640 24-bit black picture ($size bytes)" \
    [ "$size" = $((54 + 840 * 640 * 3)) -a "$nonzero" = 0 ]
printf 'U\nU\n' | "$trace" --frame "$work/two.bmp" >/dev/null
nonzero=$(tail -c +55 "$work/two.bmp" | tr -d '\0' | wc -c)
check "--frame after steps holds the car and the readout ($nonzero bytes not black)" numbers "$nonzero" -- [ "$nonzero" -gt 1000 ]
run "$trace" --frame "$work/no/such/dir/f.bmp" < <(printf 'U\n')
check "--frame to an unwritable path gives status 1 (got $status)" [ $status = 1 ]
check "--frame to an unwritable path says so: $(cat "$work/err")" grep -q "cannot write" "$work/err"

# A missing or bad car image stops it before any step, with status 1 and one line.
for name in $(make_bad_images "$work/bad"); do
    (cd "$work/bad/$name" && run timeout 5 "$trace" </dev/null; exit $status)
    status=$?
    check "car image $name: status $status, $(cat "$work/err")" \
        [ $status = 1 -a "$(wc -l <"$work/err")" = 1 ]
    check "car image $name: the line names the image" grep -q "cannot load Data/Textures/Car.bmp: " "$work/err"
done

finish
