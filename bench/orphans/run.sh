#!/bin/bash
# How long the encoders and their ffmpeg run on after the console job is killed with
# SIGKILL during its conversions: five rounds, each timed from the kill until the last of
# them has ended. Usage: bench/orphans/run.sh [PROGRAM_FOLDER] (default: build/velmo).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program="${1:-$root/build/velmo}"
work="$root/bench/work/orphans"
rm -rf "$work"
mkdir -p "$work"
for name in a b; do
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 \
        -f lavfi -i sine=frequency=440:duration=60 -c:v mpeg4 -c:a libmp3lame "$work/$name.avi"
done

source "$here/kill_timing.sh"

for round in 1 2 3 4 5; do
    setsid "$program/velmo-joiner" --join --profile "AVI - MPEG-4 Video" --output "$work/out.avi" \
        --overwrite --force "$work/a.avi" "$work/b.avi" >/dev/null 2>&1 &
    joiner=$!
    disown "$joiner"
    kill_and_time "$round" "$joiner"
done
