#!/bin/sh
# Changes of a 3,000-row list and their Undo through the real main window. Needs the
# clips that run.sh makes. Prints the table of "## Undo of the task list" in
# bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/tasks"

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 --target bench_list_undo >/dev/null
mkdir -p "$work/program"
QT_QPA_PLATFORM=offscreen "$work/build/bench_list_undo" "$work/program/" "$work/clips/3000"
