#!/bin/bash
# The encoder's copy join (-ovc copy -oac copy) against ffmpeg's concat demuxer with
# stream copy, on four 3 s clips and on six 60 s 720p phone clips (H.264 High/AAC in MP4).
# Pairs in alternation, wall and processor seconds (user + system, children included).
# Another encoder program (an earlier build's asapi.dll) may be measured in the same rounds.
# Writes the section "## Copy joins" of bench/RESULTS.md.
# Usage: run.sh [build folder] [other asapi.dll]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/copyjoin"
rounds=${ROUNDS:-5}

build=${1:-$work/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target asapi >/dev/null
encoder="$build/velmo/asapi.dll"
other=${2:-}

mkdir -p "$work/short" "$work/long" "$work/out"
clip() { # name seconds size [extra...]
    local name=$1 seconds=$2 size=$3
    shift 3
    [ -s "$name" ] && return
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=30:duration=$seconds" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" -ac 2 \
        -c:v libx264 -profile:v high -pix_fmt yuv420p -g 30 -c:a aac "$@" "$name"
}
for n in 1 2 3 4; do clip "$work/short/$n.mp4" 3 640x360; done
for n in 1 2 3 4 5 6; do clip "$work/long/$n.mp4" 60 1280x720 -preset ultrafast -b:v 4M; done

join() { # set [program]
    "${2:-$encoder}" "$work/$1/"*.mp4 -o "$work/out/$1-joined.mp4" -ovc copy -oac copy
}
concat() { # set
    local list="$work/out/$1-list.txt"
    : > "$list"
    for file in "$work/$1/"*.mp4; do echo "file '$file'" >> "$list"; done
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy "$work/out/$1-concat.mp4"
}

# One run of each first, so that the files are in the page cache for every measured round.
join short; concat short; join long; concat long
for round in $(seq "$rounds"); do
    add short_join "$(measure join short)"
    add short_concat "$(measure concat short)"
    add long_join "$(measure join long)"
    add long_concat "$(measure concat long)"
    if [ -n "$other" ]; then
        add short_other "$(measure join short "$other")"
        add long_other "$(measure join long "$other")"
    fi
done

others=""
if [ -n "$other" ]; then
    others=$'\n'"$(row "other encoder ($other), 4 x 3 s" short_other)"$'\n'"$(row "other encoder ($other), 6 x 60 s 720p" long_other)"
fi
section=$(cat <<SECTION
## Copy joins

Run with \`bench/copyjoin/run.sh\` (ROUNDS=$rounds). Inputs: four 3 s clips at 640x360 and six 60 s clips at 1280x720 (4 Mbit/s), H.264 High at 30 fps with AAC 48 kHz stereo in MP4. The encoder's copy join (\`asapi.dll … -ovc copy -oac copy\`: one ffprobe per input reading every packet's times, a few side by side, then ffmpeg's concat demuxer and a read-back of the output) against \`ffmpeg -f concat -safe 0 -i list -c copy\`; the sides of each pair run one right after the other, files in the page cache; medians of the rounds, wall and processor (user + system, children included) seconds, on the shared 2-core machine.

| run | wall s | processor s |
|---|---|---|
$(row "copy join, 4 x 3 s" short_join)
$(row "ffmpeg -f concat -c copy, 4 x 3 s" short_concat)
$(row "copy join, 6 x 60 s 720p" long_join)
$(row "ffmpeg -f concat -c copy, 6 x 60 s 720p" long_concat)$others

| wall, per round | rounds | median | goal |
|---|---|---|---|
| 4 x 3 s: copy join - concat (s) | $(each short_join short_concat -)| $(median "$(each short_join short_concat -)") | at most +0.3 |
| 6 x 60 s: copy join / concat | $(each long_join long_concat /)| $(median "$(each long_join long_concat /)") | at most 1.5 |
SECTION
)
results="$root/bench/RESULTS.md"
awk -v section="$section" '
    /^## Copy joins$/ { skipping = 1; print section; print ""; next }
    /^## / && skipping { skipping = 0 }
    !skipping { print }
' "$results" > "$results.new"
grep -q '^## Copy joins$' "$results" || printf '\n%s\n' "$section" >> "$results.new"
mv "$results.new" "$results"
echo "$section"
