#!/bin/bash
# How long the window takes to close once the pictures of a 3,000-row list are made:
# the window on a real X server (Xvfb, openbox), the list given as a folder on the
# command line, closed with Alt+F4 as a user closes it; timed from the key until the
# process has ended, five rounds. The pictures come from a stand-in encoder that copies
# one JPEG, so that making 3,000 of them takes seconds; closing does not depend on where
# they came from. Usage: bench/tasks/closing.sh [PROGRAM_FOLDER] (default: build/velmo).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program="${1:-$root/build/velmo}"
rows="${ROWS:-3000}"
source "$root/tests/desktop/x_session.sh"
start_x_session 1280x800

mkdir "$work/clips" "$work/tmp"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
    -c:v mpeg4 "$work/source.avi"
ffmpeg -nostdin -v error -y -i "$work/source.avi" -frames:v 1 -s 64x48 "$work/picture.jpg"
for i in $(seq -f %04g "$rows"); do ln "$work/source.avi" "$work/clips/clip$i.avi"; done
cp -r "$program" "$work/velmo"
cat >"$work/velmo/asapi.dll" <<SCRIPT
#!/bin/sh
cp "$work/picture.jpg" "\$3" && echo >>"$work/runs"
SCRIPT
chmod +x "$work/velmo/asapi.dll"

for round in 1 2 3 4 5; do
    rm -f "$work/runs"
    touch "$work/runs"
    TMPDIR="$work/tmp" HOME="$work" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
        "$work/velmo/velmo-joiner" "$work/clips" >/dev/null 2>&1 &
    window=$!
    main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window"
    while [ "$(wc -l <"$work/runs")" -lt "$rows" ]; do sleep 0.5; done
    # The last runs' ends reach the window.
    sleep 2
    files=$(find "$work/tmp" -type f | wc -l)
    start=$(date +%s.%N)
    xdotool windowactivate --sync "$main" key alt+F4
    while kill -0 "$window" 2>/dev/null; do sleep 0.01; done
    end=$(date +%s.%N)
    wait "$window" || true
    printf 'round %d: %d rows, %d picture files at close, closed in %.2f s\n' "$round" "$rows" "$files" \
        "$(echo "$end - $start" | bc)"
done
