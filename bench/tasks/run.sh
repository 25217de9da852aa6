#!/bin/sh
# Adding folders of 300 and 3,000 short clips through the real main window,
# against the probe alone. Writes the section "## Adding a folder" of
# bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/tasks"

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 --target bench_add_folder >/dev/null

# One clip made by ffmpeg, linked under every name: the probe reads the content,
# and one copy keeps 3,000 names small on disk and equally cached for both sides.
description="2 s, 320x240 at 25 fps, MPEG-4 video and MP3 audio in AVI"
rm -rf "$work/clips" "$work/program"
mkdir -p "$work/clips" "$work/program"
ffmpeg -nostdin -v error -y \
    -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
    -f lavfi -i sine=frequency=440:duration=2 \
    -c:v mpeg4 -c:a libmp3lame -t 2 "$work/source.avi"
for count in 300 3000; do
    mkdir -p "$work/clips/$count"
    i=1
    while [ "$i" -le "$count" ]; do
        ln "$work/source.avi" "$work/clips/$count/clip$(printf %04d "$i").avi"
        i=$((i + 1))
    done
done

QT_QPA_PLATFORM=offscreen "$work/build/bench_add_folder" "$work/program/" \
    "$work/clips/300" "$work/clips/3000" "$root/bench/RESULTS.md" "$description"
