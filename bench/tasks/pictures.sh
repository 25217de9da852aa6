#!/bin/sh
# Adding a folder of 300 short clips through the real main window with the list's
# pictures and without them. Writes the section "## Adding a folder with pictures"
# of bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/pictures"

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 --target bench_add_pictures >/dev/null

# One clip made by ffmpeg, linked under every name: the probe and the pictures read
# the same content, equally cached for both sides, and each name is a file of its own.
description="2 s, 320x240 at 25 fps, MPEG-4 video and MP3 audio in AVI"
rm -rf "$work/clips" "$work/program"
mkdir -p "$work/clips" "$work/program"
ffmpeg -nostdin -v error -y \
    -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
    -f lavfi -i sine=frequency=440:duration=2 \
    -c:v mpeg4 -c:a libmp3lame -t 2 "$work/source.avi"
i=1
while [ "$i" -le 300 ]; do
    ln "$work/source.avi" "$work/clips/clip$(printf %04d "$i").avi"
    i=$((i + 1))
done
# The program folder holds the encoder that makes the pictures.
ln -s "$work/build/velmo/asapi.dll" "$work/program/asapi.dll"

QT_QPA_PLATFORM=offscreen "$work/build/bench_add_pictures" "$work/program/" "$work/clips" \
    "$root/bench/RESULTS.md" "$description"
