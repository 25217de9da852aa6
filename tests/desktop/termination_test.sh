#!/usr/bin/env bash
# A logout or `kill` during a job, as the desktop sends it: SIGTERM to the window on a
# real X server. The job stops as Stop stops it, the program ends, and nothing is left
# behind: no job folder, no pictures' folder, no encoder or ffmpeg still running.
set -euo pipefail
program="$1"
source "$(dirname "$0")/x_session.sh"
start_x_session 1280x800

mkdir "$work/tmp"
for name in a b; do
    ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=20 -f lavfi -i sine=duration=20 \
        -c:v mpeg4 -c:a mp3 -shortest "$work/$name.avi"
done
cp -r "$(dirname "$program")" "$work/velmo"
joiner="$work/velmo/$(basename "$program")"
sed -i "0,/^Output File=.*/s||Output File=$work/joined.avi|" "$work/velmo/Preferences.ini"

TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb HOME="$work" XDG_CONFIG_HOME="$work/config" \
    "$joiner" "$work/a.avi" "$work/b.avi" >/dev/null 2>&1 &
window_pid=$!
pids+=($window_pid)

main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window"
# Start by its shortcut, which does nothing until the listed files have been added; then,
# on a busy machine, the first piece may take long to appear.
started() { compgen -G "$work/velmo/temp/velmo-job-*" >/dev/null; }
for _ in $(seq 60); do
    started && break
    xdotool windowactivate --sync "$main" key ctrl+Return 2>/dev/null || true
    for _ in $(seq 10); do started && break; sleep 0.1; done
done
started || fail "the job did not start"
for _ in $(seq 600); do
    compgen -G "$work/velmo/temp/velmo-job-*/*.mkv" >/dev/null && break
    sleep 0.1
done
compgen -G "$work/velmo/temp/velmo-job-*/*.mkv" >/dev/null || fail "the job wrote no piece"

kill -TERM "$window_pid"
for _ in $(seq 100); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$window_pid" 2>/dev/null && fail "the program did not end at SIGTERM"
# A killed child at the lowest priority may wait its turn to end on a busy machine.
leftover() { pgrep -af -- "$work" | grep -v -e Xvfb -e openbox || true; }
for _ in $(seq 100); do [ -z "$(leftover)" ] && break; sleep 0.1; done
left=$(leftover)
[ -z "$left" ] || fail "still running: $left"
compgen -G "$work/velmo/temp/velmo-job-*" >/dev/null && fail "the job folder was left: $(ls "$work/velmo/temp")"
compgen -G "$work/tmp/velmo-joiner-thumbnails-*" >/dev/null && fail "the pictures' folder was left"
[ -e "$work/joined.avi" ] && fail "a stopped job left an output"
exit 0
