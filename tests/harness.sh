# What the shell tests share, sourced by each: a work folder removed on the way out,
# ok/FAIL lines counted by `check`, and an Xvfb of their own with helpers to find a
# window and wait for a game. A test keeps the game it runs in $game_pid, so that a game
# left running is killed on the way out.

work=$(mktemp -d)
failures=0
xvfb_pid=
game_pid=

harness_cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap harness_cleanup EXIT

check() { # check STATUS MESSAGE
    if [ "$1" -eq 0 ]; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

# The closing line and the status: zero only when no check failed.
finish() {
    echo "$failures failed"
    [ "$failures" -eq 0 ]
}

# Starts an Xvfb on a free display, so that parallel runs and a developer's X do not meet,
# and exports DISPLAY. Its log goes to $1.
start_xvfb() { # start_xvfb LOG
    local n
    display=
    for n in $(seq 91 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
    done
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$1" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
    export DISPLAY=$display
    xdpyinfo >/dev/null 2>&1 || { echo "FAIL Xvfb did not start"; cat "$1"; return 1; }
}

# Waits up to $2 seconds for the window named $1 and prints its id.
find_window() { # find_window NAME SECONDS
    timeout "$2" xdotool search --sync --name "^$1\$" 2>/dev/null | head -n 1
}

# The size of window $1 as WIDTHxHEIGHT.
window_size() { # window_size WINDOW
    xwininfo -id "$1" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'
}

# Waits until window $1 is mapped (a window just found may not be yet), then gives it the
# keyboard focus; keys reach a window only while it has the focus.
focus_window() { # focus_window WINDOW
    for _ in $(seq 50); do
        xwininfo -id "$1" 2>/dev/null | grep -q IsViewable && break
        sleep 0.1
    done
    xdotool windowfocus --sync "$1" 2>/dev/null
}

# Holds key $1 for a moment in the focused window.
press() { # press KEY
    xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"
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

# Checks that the game in $game_pid opens the 840x640 window named $1 within $2 seconds,
# then holds Escape there and checks that it ends with status 0. $3 says what was started.
check_window_then_escape() { # check_window_then_escape TITLE SECONDS WHAT
    local window size
    window=$(find_window "$1" "$2")
    sleep 0.5 # the library creates the window small, then sets the mode's size
    size=$(window_size "$window")
    check $([ -n "$window" ] && [ "$size" = 840x640 ]; echo $?) "$3 opens the 840x640 window (got ${size:-none})"
    [ -n "$window" ] && focus_window "$window"
    press Escape
    wait_exit "$game_pid" 5
    check $([ "$exit_status" = 0 ]; echo $?) "Escape ends it with status 0 (status $exit_status)"
}
