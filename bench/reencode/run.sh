#!/bin/bash
# A same-format job of five 720p phone clips (H.264 High/AAC in MP4) of which one differs
# (1080p at 25 fps): the whole job in the console with the same-format profile and
# --reencode-differing, against the same job encoding all five with the MP4 H.264 profile
# at 1280x720 and 4000 kbit/s, and against `ffmpeg -f concat -c copy` of the four that match.
# Pairs in alternation, wall and processor seconds (user + system, children included), and
# the SSIM of the differing clip's stretch of each output against the clip itself.
# Writes the section "## Re-encoding only the input that differs" of bench/RESULTS.md.
# Usage: run.sh [build folder]   (CLIP_SECONDS=20 by default, ROUNDS=5)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/reencode"
rounds=${ROUNDS:-5}
seconds=${CLIP_SECONDS:-20}

build=${1:-$work/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velmo-joiner asapi >/dev/null

# A program folder of its own, with the H.264 profile set to the clips' size.
program="$work/program"
mkdir -p "$program/Profiles" "$work/clips" "$work/out"
cp "$build/velmo/velmo-joiner" "$build/velmo/asapi.dll" "$build/velmo/Preferences.ini" "$program/"
cp "$build/velmo/Profiles/MP4 - Same-format files joined without re-encoding.bpf" "$program/Profiles/"
awk '/^\[/ { section = $0 }
     section == "[Video Size]" && /^Index=/ { $0 = "Index=5" }
     section == "[Video Bitrate]" && /^Index=/ { $0 = "Index=5" }
     { print }' "$build/velmo/Profiles/MP4 - H.264 for phones and the web.bpf" > "$program/Profiles/MP4 - H.264 720p.bpf"

clip() { # name size rate
    [ -s "$1" ] && return
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$2:rate=$3:duration=$seconds" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" -ac 2 \
        -c:v libx264 -profile:v high -pix_fmt yuv420p -g 30 -preset ultrafast -b:v 4M -c:a aac "$1"
}
inputs=()
matching=()
for n in 1 2 3 4 5; do
    if [ "$n" = 3 ]; then
        clip "$work/clips/$n.mp4" 1920x1080 25
    else
        clip "$work/clips/$n.mp4" 1280x720 30
        matching+=("$work/clips/$n.mp4")
    fi
    inputs+=("$work/clips/$n.mp4")
done

job() { # profile output [option]
    "$program/velmo-joiner" --join --force --overwrite --profile "$1" --output "$work/out/$2" ${3:+"$3"} "${inputs[@]}"
}
differing() { job "MP4 - Same-format files joined without re-encoding" differing.mp4 --reencode-differing; }
encodeall() { job "MP4 - H.264 720p" encoded.mp4; }
concat() {
    local list="$work/out/list.txt"
    : > "$list"
    for file in "${matching[@]}"; do echo "file '$file'" >> "$list"; done
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy "$work/out/concat.mp4"
}

for round in $(seq "$rounds"); do
    echo "round $round, load $(cut -d' ' -f1 /proc/loadavg)" >&2
    loads="${loads:-}$(cut -d' ' -f1 /proc/loadavg) "
    add differing "$(measure differing)"
    add encodeall "$(measure encodeall)"
    add concat "$(measure concat)"
done

# The third clip's stretch (from 40 s) of an output against the clip at the output's size and rate.
ssim() {
    ffmpeg -nostdin -ss $((2 * seconds)) -t "$seconds" -i "$work/out/$1" -i "$work/clips/3.mp4" \
        -lavfi "[1:v]scale=1280:720,setsar=1,fps=30,format=yuv420p[source];[0:v][source]ssim=shortest=1" \
        -f null - 2>&1 | grep -o 'All:[0-9.]*' | cut -d: -f2
}
ssim_differing=$(ssim differing.mp4)
ssim_encodeall=$(ssim encoded.mp4)
processor() { # a b: each round's processor seconds of a over b
    local -a x y
    read -ra x <<<"${cpu[$1]}"
    read -ra y <<<"${cpu[$2]}"
    for i in "${!x[@]}"; do printf '%.2f ' "$(echo "scale=4; ${x[$i]} / ${y[$i]}" | bc)"; done
}

section=$(cat <<SECTION
## Re-encoding only the input that differs

Run with \`bench/reencode/run.sh\` (ROUNDS=$rounds, CLIP_SECONDS=$seconds). Inputs: five $seconds s clips, four at 1280x720 and 30 fps, one (the third) at 1920x1080 and 25 fps, H.264 High (4 Mbit/s) with AAC 48 kHz stereo in MP4. Whole jobs in the console: \`velmo-joiner --join --profile "MP4 - Same-format files joined without re-encoding" --reencode-differing\` (the refused first run, the question, then one run that encodes the third clip to match the first and copies the rest), against the same five encoded with the MP4 H.264 profile at 1280x720 and 4000 kbit/s, and against \`ffmpeg -f concat -safe 0 -i list -c copy\` of the four that match; the three in turn each round, medians of the rounds, wall and processor (user + system, children included) seconds, on the shared 2-core machine with other work on it (load average at each round's start: $loads).

| run | wall s | processor s |
|---|---|---|
$(row "re-encode only the one that differs, copy four" differing)
$(row "encode all five (MP4 H.264, 720p)" encodeall)
$(row "ffmpeg -f concat -c copy of the four that match" concat)

| per round | rounds | median | goal |
|---|---|---|---|
| processor: re-encode only these / encode all five | $(processor differing encodeall)| $(median "$(processor differing encodeall)") | at most 0.25 |
| wall: re-encode only these / encode all five | $(each differing encodeall /)| $(median "$(each differing encodeall /)") | at most 0.25 |
| wall: concat of the four / re-encode only these | $(each concat differing /)| $(median "$(each concat differing /)") | (the copy's share) |

SSIM of the third clip's stretch against the clip (scaled to 1280x720 at 30 fps): re-encoded alone $ssim_differing, in the encode of all five $ssim_encodeall (goal: within 0.005).
SECTION
)
# shellcheck source=../results.sh
source "$here/../results.sh"
write_section "$section"
echo "$section"
