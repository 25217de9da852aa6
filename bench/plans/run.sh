#!/bin/bash
# The job plans against what a user would run instead: the AVI and the MP4 job on four
# mixed 20 s inputs against one ffmpeg pass with the same codecs and rates, the copy job on
# four same-format phone clips against ffmpeg's concat demuxer with stream copy, and the
# peak memory of a job of many inputs. Pairs in alternation, wall and processor seconds.
# Writes the section "## Job plans" of bench/RESULTS.md. Usage: run.sh [build folder].
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/plans"
rounds=${ROUNDS:-3}

# A build folder may be named; otherwise one of the benchmark's own is made.
build=${1:-$work/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velmo-joiner asapi velmo_program_data >/dev/null
program="$build/velmo"

rm -rf "$work/clips" "$work/out"
mkdir -p "$work/clips/mixed" "$work/clips/phone" "$work/clips/many" "$work/out"
clip() { # name seconds size video audio [extra...]
    local name=$1 seconds=$2 size=$3 video=$4 audio=$5
    shift 5
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=25:duration=$seconds" \
        -f lavfi -i "sine=frequency=440:duration=$seconds" -c:v "$video" -c:a "$audio" "$@" "$name"
}
clip "$work/clips/mixed/a.mp4" 20 640x480 libx264 aac
clip "$work/clips/mixed/b.mpg" 20 640x480 mpeg2video mp2
clip "$work/clips/mixed/c.avi" 20 640x480 mpeg4 libmp3lame
clip "$work/clips/mixed/d.mov" 20 640x480 mjpeg pcm_s16le
for n in 1 2 3 4; do
    clip "$work/clips/phone/$n.mp4" 20 1280x720 libx264 aac -profile:v high -pix_fmt yuv420p -b:v 4M -g 30 -ar 48000
done
for n in $(seq -w 1 64); do
    clip "$work/clips/many/$n.mp4" 2 320x240 libx264 aac
done
mixed=("$work/clips/mixed/a.mp4" "$work/clips/mixed/b.mpg" "$work/clips/mixed/c.avi" "$work/clips/mixed/d.mov")

# "wall user+system" of a command, children included.
joiner() { # profile plan output inputs...
    local profile=$1 plan=$2 output=$3
    shift 3
    "$program/velmo-joiner" --join --profile "$profile" --plan="$plan" --output "$output" --overwrite --force -- "$@"
}
# One pass over the four inputs, as the profile's first choices: 640x480, 30 fps, 44.1 kHz stereo.
one_pass() { # video-options audio-options output
    local graph="" inputs=()
    for i in 0 1 2 3; do
        inputs+=(-i "${mixed[$i]}")
        graph+="[$i:v]scale=640:480,setsar=1,fps=30[v$i];[$i:a]aresample=44100,aformat=channel_layouts=stereo[a$i];"
    done
    graph+="[v0][a0][v1][a1][v2][a2][v3][a3]concat=n=4:v=1:a=1[v][a]"
    ffmpeg -nostdin -v error -y "${inputs[@]}" -filter_complex "$graph" -map "[v]" -map "[a]" $1 $2 "$3"
}
concat_copy() {
    local list="$work/out/list.txt"
    : > "$list"
    for n in 1 2 3 4; do echo "file '$work/clips/phone/$n.mp4'" >> "$list"; done
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy "$1"
}


for round in $(seq "$rounds"); do
    add avi_once "$(measure joiner "AVI - MPEG-4 Video" once "$work/out/once.avi" "${mixed[@]}")"
    add avi_pass "$(measure one_pass "-c:v mpeg4 -b:v 1800k -mbd 2" "-c:a libmp3lame -q:a 4" "$work/out/pass.avi")"
    add avi_intermediate "$(measure joiner "AVI - MPEG-4 Video" intermediate "$work/out/intermediate.avi" "${mixed[@]}")"
    add mp4_once "$(measure joiner "MP4 - H.264 for phones and the web" once "$work/out/once.mp4" "${mixed[@]}")"
    add mp4_pass "$(measure one_pass "-c:v libx264 -b:v 1800k" "-c:a aac -b:a 160k" "$work/out/pass.mp4")"
    add copy_job "$(measure joiner "MP4 - Same-format files joined without re-encoding" once "$work/out/copy.mp4" "$work/clips/phone/"*.mp4)"
    add copy_concat "$(measure concat_copy "$work/out/concat.mp4")"
done

# Peak memory: every process of the job (joiner, encoders, ffmpeg) sampled together.
peak_kb() { # inputs...
    setsid "$program/velmo-joiner" --join --profile "AVI - MPEG-4 Video" --output "$work/out/many.avi" \
        --overwrite --force -- "$@" >/dev/null 2>&1 &
    local leader=$! peak=0 now
    sleep 0.05
    while kill -0 "$leader" 2>/dev/null; do
        now=$(ps -o rss= -s "$leader" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
        (( now > peak )) && peak=$now
        sleep 0.1
    done
    wait "$leader" || true
    echo "$peak"
}
many=("$work/clips/many/"*.mp4)
peak16=$(peak_kb "${many[@]:0:16}")
peak64=$(peak_kb "${many[@]}")

section=$(cat <<SECTION
## Job plans

Run with \`bench/plans/run.sh\` (ROUNDS=$rounds). Inputs: four 20 s clips at 640x480, 25 fps (H.264/AAC MP4, MPEG-2/MP2 MPG, MPEG-4/MP3 AVI, MJPEG/PCM MOV); four 20 s phone clips, H.264 High/AAC 1280x720 at 4 Mbit/s in MP4; 64 clips of 2 s at 320x240 (H.264/AAC). The sides of each pair run one right after the other, every round; medians of the rounds, wall and processor (user + system, every process of the run) seconds, on the shared 2-core machine.

| run | wall s | processor s |
|---|---|---|
$(row "AVI job, each file encoded once" avi_once)
$(row "AVI job, intermediate AVI first" avi_intermediate)
$(row "one ffmpeg pass, MPEG-4 1800k + MP3 q4" avi_pass)
$(row "MP4 job, each file encoded once" mp4_once)
$(row "one ffmpeg pass, H.264 1800k + AAC 160k" mp4_pass)
$(row "copy job (MP4, no re-encoding)" copy_job)
$(row "ffmpeg -f concat -c copy" copy_concat)

| ratio, wall | per round | median | goal |
|---|---|---|---|
| AVI once / one pass | $(each avi_once avi_pass /)| $(median "$(each avi_once avi_pass /)") | at most 0.9 |
| AVI intermediate / one pass | $(each avi_intermediate avi_pass /)| $(median "$(each avi_intermediate avi_pass /)") | (before) |
| MP4 once / one pass | $(each mp4_once mp4_pass /)| $(median "$(each mp4_once mp4_pass /)") | at most 1.0 |
| copy job / concat copy | $(each copy_job copy_concat /)| $(median "$(each copy_job copy_concat /)") | at most 2.0 |

Peak memory of every process of a job together, sampled every 0.1 s: 16 inputs $((peak16 / 1024)) MB, 64 inputs $((peak64 / 1024)) MB (goal: under 600 MB, and growing no faster than the inputs).
SECTION
)
# shellcheck source=../results.sh
source "$here/../results.sh"
write_section "$section"
echo "$section"
