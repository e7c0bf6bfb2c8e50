# What the shell tests share, sourced by each: a work folder removed on the way out,
# checks that say what must hold and count what did not, readers of the trace and of
# pictures, the bad car images the start-up must refuse, and an Xvfb of their own with
# helpers to find a window, send it keys and wait for a game. A test keeps the game it runs in
# $game_pid, so that a game left running is killed on the way out.

work=$(mktemp -d)
failures=0
xvfb_pid=
game_pid=

harness_cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    # Gone before we are: a server still going away could take the next test's display.
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap harness_cleanup EXIT

# Sets each named variable to the absolute path of the argument in the same place:
#   programs game probe -- "$@"
programs() { # programs NAME... -- ARGUMENT...
    local names=() name
    while [ "$1" != -- ]; do names+=("$1"); shift; done
    shift
    for name in "${names[@]}"; do
        [ $# -gt 0 ] || { echo "FAIL no argument for $name"; exit 2; }
        printf -v "$name" '%s' "$(realpath "$1")"
        shift
    done
}

# Compares the pictures of a golden drive of $project/tests/golden, every EVERY-th step and
# the last, drawn by two commands that take car_trace's --frames DIR --every N and the
# script on standard input: both must end with status 0 and draw the same, at least one.
check_same_frames() { # check_same_frames NAME EVERY WHAT COMMAND_A COMMAND_B
    local keys=$project/tests/golden/$1.keys side statuses=
    for side in a b; do
        mkdir -p "$work/frames-$side"
        (cd "$project" && "$([ $side = a ] && echo "$4" || echo "$5")" "$work/frames-$side" "$2" <"$keys" >/dev/null 2>&1)
        statuses="$statuses$?"
        (cd "$work/frames-$side" && md5sum step-*.bmp 2>/dev/null) >"$work/frames-$side.md5"
    done
    check "$3's $(wc -l <"$work/frames-a.md5") pictures of $1 are Linux's $(wc -l <"$work/frames-b.md5"), pixel for pixel (statuses $statuses)" \
        eval '[ "$statuses" = 00 ] && [ -s "$work/frames-b.md5" ] && cmp -s "$work/frames-a.md5" "$work/frames-b.md5"'
    rm -rf "$work/frames-a" "$work/frames-b"
}

# Runs COMMAND with its output in $work/out and its errors in $work/err (unless it is
# redirected), and keeps its exit status in `status`:
#   run "$trace" <"$keys"; check "car_trace ends with status 0 (got $status)" [ $status = 0 ]
run() { # run COMMAND [ARGS...]
    "$@" >"$work/out" 2>"$work/err"
    status=$?
}

# Runs the command; "ok" if it succeeds, "FAIL" (and one more failure) if not. Returns
# the same, so that a test can stop or skip what depends on it:
#   check "the game opens its window" [ -n "$window" ] || exit 1
check() { # check "what must hold" COMMAND [ARGS...]
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; return 0; fi
    echo "FAIL $what"
    failures=$((failures + 1))
    return 1
}

# Succeeds when the command fails: check "no error" fails grep -q '^E:' lintian.log
fails() { # fails COMMAND [ARGS...]
    ! "$@"
}

# Runs COMMAND every 0.1 s until it succeeds or SECONDS have passed (then fails): the one
# way a test waits for a state.
within() { # within SECONDS COMMAND [ARGS...]
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

# Runs the command only when every VALUE is a whole number, so that a value a check could
# not read fails that check (whose words show what was read) instead of upsetting `[`:
#   check "the outline moved right (x $min)" numbers "$min" -- [ "$min" -gt 150 ]
numbers() { # numbers VALUE... -- COMMAND [ARGS...]
    while [ "${1---}" != -- ]; do [[ $1 =~ ^-?[0-9]+$ ]] || return 1; shift; done
    shift
    "$@"
}

# Ends the test at once, naming the packages, when a command it uses is not installed:
#   needs unzip:unzip pgrep:procps
needs() { # needs COMMAND:PACKAGE...
    local pair missing=
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null || missing="$missing ${pair%%:*} (package ${pair#*:})"
    done
    [ -z "$missing" ] || { echo "FAIL missing:$missing; scripts/install-deps installs it"; exit 1; }
}

# The closing line and the status: zero only when no check failed.
finish() {
    echo "$failures failed"
    [ "$failures" -eq 0 ]
}

# --- Traces and pictures ---

# Checks, for every golden drive (its key script, and its link where one is kept) and the
# demo drive, that COMMAND (run here, with the script on standard input) ends with status 0
# and prints the trace that Linux's car_trace ($linux, run from $project) prints, byte for
# byte; with --frame, and saves the same last picture (--frame FILE).
check_same_traces() { # check_same_traces WHAT [--frame] COMMAND...
    local what=$1 frame= keys name
    shift
    [ "$1" = --frame ] && { frame=1; shift; }
    for keys in "$project"/tests/golden/*.keys "$project"/tests/golden/*.link "$project/docs/demo.keys"; do
        name=$(basename "$keys")
        (cd "$project" && "$linux/car_trace" ${frame:+--frame "$work/linux.bmp"} <"$keys" >"$work/linux.trace" 2>"$work/linux.err")
        run "$@" ${frame:+--frame "$work/other.bmp"} <"$keys"
        check "$what on $name: status $status, the trace of Linux byte for byte${frame:+ and its last picture} $(head -c 200 "$work/err")" \
            eval '[ "$status" = 0 ] && [ -s "$work/out" ] && cmp -s "$work/out" "$work/linux.trace" &&
                  { [ -z "$frame" ] || same_pixels "$work/other.bmp" "$work/linux.bmp"; }'
    done
}

# The value of column NAME on the last line of a trace (or the line of step STEP), found
# by its name in the header line. Fails when the trace has no such column or step.
trace_value() { # trace_value TRACE NAME [STEP]
    awk -v name="$2" -v step="${3:-}" '
        NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i; if (!c) exit 1; next }
        step == "" || $1 == step { v = $c; found = 1 }
        END { if (!found) exit 1; print v }' "$1"
}

# True when two uncompressed 24-bit BMP files (as the tools and window_probe write them)
# hold the same pixels.
same_pixels() { # same_pixels A.bmp B.bmp
    [ -s "$1" ] && [ -s "$2" ] && cmp -s <(tail -c +55 "$1") <(tail -c +55 "$2")
}

# The number of steps in a key script: its lines that are neither comments nor settings.
script_steps() { # script_steps FILE
    grep -vc '^[[:blank:]]*[#=]' "$1"
}

# Makes the bad car images that the start-up must refuse, one folder each, under $1:
# $1/NAME/Data/Textures/Car.bmp, with bad_images ($bad_images). Prints the names.
make_bad_images() { # make_bad_images ROOT
    "$bad_images" "$1"
}

# --- A display of our own, and windows on it ---

# Starts an Xvfb of our own and exports DISPLAY (and first, like every test that uses a
# window, needs its programs). The server picks a free display itself and
# says which once it takes connections (-displayfd): a number chosen here could still be
# held by a server that is going away, whose end would then take our display with it.
# -noreset: by default the server resets whenever its last client leaves (xdpyinfo here,
# or a game that ended), and refuses a client that arrives meanwhile. Its log goes to $1.
start_xvfb() { # start_xvfb LOG
    local number=
    needs Xvfb:xvfb xdpyinfo:x11-utils xwininfo:x11-utils xdotool:xdotool
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/xvfb-display" >"$1" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        number=$(head -n 1 "$work/xvfb-display" 2>/dev/null)
        [ -n "$number" ] && break
        sleep 0.05
    done
    export DISPLAY=:$number
    [ -n "$number" ] && xdpyinfo >/dev/null 2>&1 || { echo "FAIL Xvfb did not start"; cat "$1"; return 1; }
}

# The size and map state of window $1, as "840x640 IsViewable", or "gone".
window_state() { # window_state WINDOW
    local state
    state=$(timeout 10 xwininfo -id "$1" 2>/dev/null |
        awk '/Width:/ {w=$2} /Height:/ {h=$2} /Map State:/ {m=$3} END {if (w) print w "x" h, m}')
    echo "${state:-gone}"
}

# Waits up to $2 seconds for the game's window named $1: mapped and 840x640 (a window may
# show small or unmapped before the mode's size is set, and under Wine a first one may be
# a stand-in) and sets `window` to its id. Without one by then, `window` is empty and
# `window_seen` says what there was. Looks again and again rather than once with --sync: a
# search fails outright when a window it meets goes away meanwhile, as Wine's short-lived
# windows do.
find_window() { # find_window NAME SECONDS
    window= window_seen="no window named $1"
    within "$2" window_named "$1"
}
window_named() { # window_named NAME
    local id state
    for id in $(xdotool search --name "^$1\$" 2>/dev/null); do
        state=$(window_state "$id")
        window_seen="window $id named $1: $state"
        [ "$state" = "840x640 IsViewable" ] && { window=$id; return 0; }
    done
    return 1
}

# True when window $1 has the keyboard focus; otherwise `key_seen` says which has it.
focused() { # focused WINDOW
    local at name
    at=$(xdotool getwindowfocus 2>/dev/null)
    [ -n "$1" ] && [ "$at" = "$1" ] && return 0
    name=$(xdotool getwindowname "$at" 2>/dev/null)
    key_seen="the focus was on ${at:-no window}${name:+ named $name}, not on window ${1:-(none found)}"
    return 1
}

# Gives window $1 the keyboard focus (keys reach a window only while it has it), asking
# again for up to 5 s while it is taken elsewhere (under Wine, its desktop may give it to
# the root window meanwhile); fails, with `key_seen` saying where the focus is, when the
# window does not keep it.
focus_window() { # focus_window WINDOW
    if [ -z "$1" ]; then focused ""; else within 5 take_focus "$1"; fi
}
take_focus() { # take_focus WINDOW
    timeout 2 xdotool windowfocus --sync "$1" 2>/dev/null
    focused "$1"
}

# Holds key $2 for $3 seconds (default 0.2) in window $1, focused first. Fails, with
# `key_seen` saying where the focus was, when the key did not go to that window, going down
# or coming up; otherwise `key_seen` says it went there.
press() { # press WINDOW KEY [SECONDS]
    focus_window "$1" || return 1
    xdotool keydown "$2"
    sleep "${3:-0.2}"
    # A window the key closed (Escape) gave its focus back to the root window.
    if ! focused "$1" && [ "$(window_state "$1")" = "840x640 IsViewable" ]; then
        xdotool keyup "$2"
        return 1
    fi
    xdotool keyup "$2"
    key_seen="$2 held in window $1"
}

# Waits up to $2 seconds (default 2) for our child $1 to end; sets exit_status to its
# status, or "timeout". The game in $game_pid is forgotten once it has ended, and killed
# if it has not, so that its window cannot stand in for the next game's. (Not in a
# subshell: only the parent can wait for its child.)
wait_exit() { # wait_exit PID [SECONDS]
    exit_status=timeout
    for _ in $(seq $((${2:-2} * 20))); do
        if ! kill -0 "$1" 2>/dev/null; then wait "$1"; exit_status=$?; break; fi
        sleep 0.05
    done
    [ "$1" = "$game_pid" ] || return 0
    [ "$exit_status" = timeout ] && { kill -9 "$1" 2>/dev/null; wait "$1" 2>/dev/null; }
    game_pid=
}

# Waits up to $2 seconds for window $1 to show the car (the red of its outline, read by
# window_probe, $probe) and saves that picture as $3 if given; fails when it shows none,
# with `window_seen` saying what the probe read last.
wait_for_car() { # wait_for_car WINDOW SECONDS [OUT.bmp]
    within "$2" shows_car "$1" "${3:-}"
}
shows_car() { # shows_car WINDOW [OUT.bmp]
    local read
    read=$([ -n "$1" ] && "$probe" "$1" ${2:+--save "$2"} 2>&1)
    window_seen="window ${1:-(none)} shows: ${read:-nothing}"
    numbers "$(cut -d' ' -f3 <<<"$read")" -- [ "$(cut -d' ' -f3 <<<"$read")" -gt 0 ]
}

# Waits up to $3 seconds for window $1 to show the picture $2, pixel for pixel (the last
# one it read is left in $work/shown.bmp).
wait_for_picture() { # wait_for_picture WINDOW PICTURE.bmp SECONDS
    within "$3" shows_picture "$1" "$2"
}
shows_picture() { # shows_picture WINDOW PICTURE.bmp
    "$probe" "$1" --save "$work/shown.bmp" >/dev/null 2>&1 && same_pixels "$work/shown.bmp" "$2"
}

# Waits up to $2 seconds for window $1 to hold still: its readout the same in two reads
# 0.3 s apart. `readout` is the hash of the readout it holds.
wait_still() { # wait_still WINDOW SECONDS
    local deadline=$((SECONDS + $2)) before
    readout=$("$probe" "$1" | cut -d' ' -f6)
    while :; do
        sleep 0.3
        before=$readout
        readout=$("$probe" "$1" | cut -d' ' -f6)
        [ -n "$readout" ] && [ "$readout" = "$before" ] && return 0
        [ "$SECONDS" -ge "$deadline" ] && return 1
    done
}

# Starts a game (COMMAND... from $project), saves the first picture of its 840x640 window
# that shows the car as OUT.bmp, then holds Escape there: `window_seen` says what window
# there was, `key_seen` where the key went, `exit_status` how the game ended.
game_first_picture() { # game_first_picture OUT.bmp SECONDS COMMAND...
    local out=$1 seconds=$2
    shift 2
    (cd "$project" && exec "$@") >"$work/out" 2>"$work/err" &
    game_pid=$!
    find_window racer "$seconds" && wait_for_car "$window" "$seconds" "$out"
    press "$window" Escape
    wait_exit "$game_pid" 10
}

# Checks that the game in $game_pid opens the 840x640 window named $1 within $2 seconds,
# then holds Escape there and checks that it ends with status 0. $3 says what was started.
check_window_then_escape() { # check_window_then_escape TITLE SECONDS WHAT
    find_window "$1" "$2"
    check "$3 opens its 840x640 window (${window_seen})" [ -n "$window" ]
    [ -z "$window" -a -s "$work/err" ] && sed 's/^/     it said: /' "$work/err"
    press "$window" Escape
    wait_exit "$game_pid" 5
    check "Escape ends it with status 0 (status $exit_status; $key_seen)" [ "$exit_status" = 0 ]
}
