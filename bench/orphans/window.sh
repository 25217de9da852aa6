#!/bin/bash
# How long the encoders and their ffmpeg run on after the window is killed with SIGKILL
# during its conversions, on a machine kept busy by BUSY endless loops (default 4) beside
# whatever else runs: five rounds, each timed from the kill until the last of them has
# ended. Usage: bench/orphans/window.sh [PROGRAM_FOLDER] (default: build/velmo).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program="${1:-$root/build/velmo}"
source "$root/tests/desktop/x_session.sh"
start_x_session 1280x800
for name in a b; do
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 \
        -f lavfi -i sine=frequency=440:duration=60 -c:v mpeg4 -c:a libmp3lame "$work/$name.avi"
done
cp -r "$program" "$work/velmo"
sed -i "0,/^Output File=.*/s||Output File=$work/joined.avi|" "$work/velmo/Preferences.ini"

for _ in $(seq "${BUSY:-4}"); do
    (while :; do :; done) &
    pids+=($!)
done

source "$here/kill_timing.sh"

for round in 1 2 3 4 5; do
    HOME="$work" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
        setsid "$work/velmo/velmo-joiner" "$work/a.avi" "$work/b.avi" >/dev/null 2>&1 &
    window=$!
    disown "$window"
    main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window"
    xdotool windowactivate --sync "$main" key ctrl+Return
    kill_and_time "$round" "$window" -f asapi
    rm -rf "$work/velmo/temp" "$work/joined.avi"
done
