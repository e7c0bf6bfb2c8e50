# Starts an Xvfb of our own on a free display, so that parallel runs and a developer's X
# do not meet, and exports DISPLAY. Sourced by the tests that open windows; the caller
# kills $xvfb_pid on its way out. Logs go to $1.

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

# Waits up to $2 seconds (default 2) for our child $1 to end; sets exit_status to its
# status, or "timeout". (Not in a subshell: only the parent can wait for its child.)
wait_exit() { # wait_exit PID [SECONDS]
    exit_status=timeout
    for _ in $(seq $((${2:-2} * 20))); do
        if ! kill -0 "$1" 2>/dev/null; then wait "$1"; exit_status=$?; break; fi
        sleep 0.05
    done
}
