# Sourced by the desktop tests: a work folder, a real X server (Xvfb) with openbox on a
# free display, and a copy of the program's folder, so that nothing a test does touches
# the build's. Everything started is ended and the work folder removed on exit.
set -euo pipefail

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A free display number, chosen by the server itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

copy_program() {
    cp -r "$(dirname "$1")" "$work/velmo"
    echo "$work/velmo/$(basename "$1")"
}

window_named() {
    for _ in $(seq 100); do
        local id
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
