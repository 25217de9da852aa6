#!/bin/sh
# Changes of a 3,000-row list and their Undo through the real main window. Prints the
# table of "## Undo of the task list" in bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/tasks"

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 --target bench_list_undo >/dev/null

# The clips of run.sh: one short clip linked under 3,000 names.
if [ ! -d "$work/clips/3000" ]; then
    mkdir -p "$work/clips/3000"
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
        -c:v mpeg4 -t 2 "$work/source.avi"
    i=1
    while [ "$i" -le 3000 ]; do
        ln "$work/source.avi" "$work/clips/3000/clip$(printf %04d "$i").avi"
        i=$((i + 1))
    done
fi
mkdir -p "$work/program"
QT_QPA_PLATFORM=offscreen "$work/build/bench_list_undo" "$work/program/" "$work/clips/3000"
