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

ended() { [ ! -e "/proc/$1" ] || [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

for round in 1 2 3 4 5; do
    HOME="$work" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
        setsid "$work/velmo/velmo-joiner" "$work/a.avi" "$work/b.avi" >/dev/null 2>&1 &
    window=$!
    disown "$window"
    main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window"
    xdotool windowactivate --sync "$main" key ctrl+Return
    encoders="" helpers=""
    for _ in $(seq 600); do
        encoders=$(pgrep -P "$window" -f asapi | tr '\n' ' ' || true)
        helpers=$(for e in $encoders; do pgrep -P "$e" -x ffmpeg || true; done | tr '\n' ' ')
        [ "$(wc -w <<<"$helpers")" -ge 2 ] && break
        sleep 0.1
    done
    start=$(date +%s.%N)
    kill -KILL "$window"
    for pid in $encoders $helpers; do
        while ! ended "$pid"; do sleep 0.01; done
    done
    end=$(date +%s.%N)
    printf 'round %d: %d encoders, %d ffmpeg, all ended %.2f s after the kill\n' "$round" \
        "$(wc -w <<<"$encoders")" "$(wc -w <<<"$helpers")" "$(echo "$end - $start" | bc)"
    rm -rf "$work/velmo/temp" "$work/joined.avi"
done
