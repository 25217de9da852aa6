#!/bin/bash
# The encoder's copy join (-ovc copy -oac copy) against ffmpeg's concat demuxer with
# stream copy, on four 3 s clips and on six 60 s 720p phone clips (H.264 High/AAC), in MP4
# and the same packets in Matroska.
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

mkdir -p "$work/short" "$work/long" "$work/shortmkv" "$work/longmkv" "$work/out"
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
for set in short long; do
    for file in "$work/$set/"*.mp4; do
        mkv="$work/${set}mkv/$(basename "$file" .mp4).mkv"
        [ -s "$mkv" ] || ffmpeg -nostdin -v error -y -i "$file" -c copy "$mkv"
    done
done

extension() { case $1 in *mkv) echo mkv ;; *) echo mp4 ;; esac; }
join() { # set [program]
    local ext
    ext=$(extension "$1")
    "${2:-$encoder}" "$work/$1/"*."$ext" -o "$work/out/$1-joined.$ext" -ovc copy -oac copy
}
concat() { # set
    local list="$work/out/$1-list.txt" ext
    ext=$(extension "$1")
    : > "$list"
    for file in "$work/$1/"*."$ext"; do echo "file '$file'" >> "$list"; done
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy "$work/out/$1-concat.$ext"
}
processor() { # a b op: each round's processor seconds of a op b
    local -a x y
    read -ra x <<<"${cpu[$1]}"
    read -ra y <<<"${cpu[$2]}"
    for i in "${!x[@]}"; do printf '%.2f ' "$(echo "scale=4; ${x[$i]} $3 ${y[$i]}" | bc)"; done
}

# One run of each first, so that the files are in the page cache for every measured round.
sets="short long shortmkv longmkv"
for set in $sets; do join "$set"; concat "$set"; done
loads=""
for round in $(seq "$rounds"); do
    loads="$loads$(cut -d' ' -f1 /proc/loadavg) "
    for set in $sets; do
        add "${set}_join" "$(measure join "$set")"
        add "${set}_concat" "$(measure concat "$set")"
    done
    if [ -n "$other" ]; then
        for set in $sets; do add "${set}_other" "$(measure join "$set" "$other")"; done
    fi
done

others=""
if [ -n "$other" ]; then
    for set in $sets; do others="$others"$'\n'"$(row "other encoder ($other), $set" "${set}_other")"; done
fi
section=$(cat <<SECTION
## Copy joins

Run with \`bench/copyjoin/run.sh\` (ROUNDS=$rounds). Inputs: four 3 s clips at 640x360 and six 60 s clips at 1280x720 (4 Mbit/s), H.264 High at 30 fps with AAC 48 kHz stereo in MP4, and the same packets copied into Matroska. The encoder's copy join (\`asapi.dll … -ovc copy -oac copy\`: each input read in the encoder's own process with libavformat, every packet of a Matroska input, the first ones of an MP4 whose index says the rest; one ffmpeg run of the concat demuxer; the output read back, every packet, and its pictures decoded from each joint's key frame for half a second) against \`ffmpeg -f concat -safe 0 -i list -c copy\`; the sides of each pair run one right after the other, files in the page cache; medians of the rounds, wall and processor (user + system, children included) seconds, on the shared 2-core machine with other helpers' work on it (load average at each round's start: $loads).

| run | wall s | processor s |
|---|---|---|
$(row "copy join, MP4 4 x 3 s" short_join)
$(row "ffmpeg -f concat -c copy, MP4 4 x 3 s" short_concat)
$(row "copy join, MP4 6 x 60 s 720p" long_join)
$(row "ffmpeg -f concat -c copy, MP4 6 x 60 s 720p" long_concat)
$(row "copy join, MKV 4 x 3 s" shortmkv_join)
$(row "ffmpeg -f concat -c copy, MKV 4 x 3 s" shortmkv_concat)
$(row "copy join, MKV 6 x 60 s 720p" longmkv_join)
$(row "ffmpeg -f concat -c copy, MKV 6 x 60 s 720p" longmkv_concat)$others

| per round | rounds | median | goal |
|---|---|---|---|
| MP4 4 x 3 s: copy join - concat, wall (s) | $(each short_join short_concat -)| $(median "$(each short_join short_concat -)") | at most +0.3 |
| MP4 4 x 3 s: copy join - concat, processor (s) | $(processor short_join short_concat -)| $(median "$(processor short_join short_concat -)") | at most +0.3 |
| MKV 4 x 3 s: copy join - concat, wall (s) | $(each shortmkv_join shortmkv_concat -)| $(median "$(each shortmkv_join shortmkv_concat -)") | at most +0.3 |
| MKV 4 x 3 s: copy join - concat, processor (s) | $(processor shortmkv_join shortmkv_concat -)| $(median "$(processor shortmkv_join shortmkv_concat -)") | at most +0.3 |
| MP4 6 x 60 s: copy join / concat, wall | $(each long_join long_concat /)| $(median "$(each long_join long_concat /)") | at most 1.5 |
| MP4 6 x 60 s: copy join / concat, processor | $(processor long_join long_concat /)| $(median "$(processor long_join long_concat /)") | at most 1.5 |
| MKV 6 x 60 s: copy join / concat, wall | $(each longmkv_join longmkv_concat /)| $(median "$(each longmkv_join longmkv_concat /)") | at most 1.5 |
| MKV 6 x 60 s: copy join / concat, processor | $(processor longmkv_join longmkv_concat /)| $(median "$(processor longmkv_join longmkv_concat /)") | at most 1.5 |
SECTION
)
# shellcheck source=../results.sh
source "$here/../results.sh"
write_section "$section"
echo "$section"
