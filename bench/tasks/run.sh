#!/bin/sh
# Adding a folder of 1,000 short clips versus the `mediainfo` program.
# Writes the section "## Adding a folder" of bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/tasks"
clips="$work/clips"
count=1000

if ! command -v mediainfo >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get install -y mediainfo
    else
        sudo apt-get install -y mediainfo
    fi
fi

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 >/dev/null

# One clip made by ffmpeg, copied under every name: the probe reads content.
description="2 s, 320x240 at 25 fps, MPEG-4 video and MP3 audio in AVI"
rm -rf "$clips"
mkdir -p "$clips"
ffmpeg -nostdin -v error -y \
    -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
    -f lavfi -i sine=frequency=440:duration=2 \
    -c:v mpeg4 -c:a libmp3lame -t 2 "$work/source.avi"
i=1
while [ "$i" -le "$count" ]; do
    cp "$work/source.avi" "$clips/clip$(printf %04d "$i").avi"
    i=$((i + 1))
done

"$work/build/bench_add_folder" "$clips" "$root/bench/RESULTS.md" "$description"
