# Sourced by the tests of the program on a real X server (Xvfb) under openbox: a work
# folder removed at the end, the processes started killed at the end, and the helpers.
work=$(mktemp -d)
pids=()
# Ends every process started so far: the program, openbox and the X server.
stop_x_session() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    pids=()
}
cleanup() {
    stop_x_session
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# An X server of the given screen size on a free display number, chosen by the server
# itself, with openbox managing its windows; DISPLAY names it.
start_x_session() {
    rm -f "$work/display"
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
}

# The visible window with exactly this title, waited for.
window_named() {
    for _ in $(seq 100); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
