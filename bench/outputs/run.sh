#!/bin/bash
# The HEVC and the VP9 profile against one ffmpeg pass with the same codec, bit rates and
# encoder settings: the console job (each input encoded once, then joined) on four mixed
# 10 s 640x360 clips, in alternation, wall and processor seconds.
# Writes the section "## HEVC and VP9 outputs" to stdout. Usage: run.sh [build folder].
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/outputs"
rounds=${ROUNDS:-2}

build=${1:-$work/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target velmo-joiner asapi velmo_program_data >/dev/null
program="$build/velmo"

rm -rf "$work/clips" "$work/out"
mkdir -p "$work/clips" "$work/out"
clip() { # name video audio
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x360:rate=30:duration=10" \
        -f lavfi -i "sine=frequency=440:duration=10" -c:v "$2" -c:a "$3" "$1"
}
clip "$work/clips/a.mp4" libx264 aac
clip "$work/clips/b.mpg" mpeg2video mp2
clip "$work/clips/c.avi" mpeg4 libmp3lame
clip "$work/clips/d.mov" libx264 pcm_s16le
inputs=("$work/clips/a.mp4" "$work/clips/b.mpg" "$work/clips/c.avi" "$work/clips/d.mov")

joiner() { # profile output
    "$program/velmo-joiner" --join --profile "$1" --plan=once --output "$2" --overwrite --force -- "${inputs[@]}"
}
# One pass over the four inputs, as the profiles' first choices: 640x480, 30 fps, 48 kHz stereo.
one_pass() { # video-options audio-options output
    local graph="" args=()
    for i in 0 1 2 3; do
        args+=(-i "${inputs[$i]}")
        graph+="[$i:v]scale=640:480,setsar=1,fps=30[v$i];[$i:a]aresample=48000,aformat=channel_layouts=stereo[a$i];"
    done
    graph+="[v0][a0][v1][a1][v2][a2][v3][a3]concat=n=4:v=1:a=1[v][a]"
    # shellcheck disable=SC2086
    ffmpeg -nostdin -v error -y "${args[@]}" -filter_complex "$graph" -map "[v]" -map "[a]" $1 $2 "$3"
}

for round in $(seq "$rounds"); do
    add hevc_job "$(measure joiner "MP4 - H.265 (HEVC), half the size" "$work/out/job.mp4")"
    add hevc_pass "$(measure one_pass "-c:v libx265 -b:v 900k -x265-params log-level=error -tag:v hvc1" \
        "-c:a aac -b:a 160k" "$work/out/pass.mp4")"
    add vp9_job "$(measure joiner "WebM - VP9 and Opus for the web" "$work/out/job.webm")"
    add vp9_pass "$(measure one_pass "-c:v libvpx-vp9 -b:v 900k -deadline good -cpu-used 4 -row-mt 1" \
        "-c:a libopus -b:a 96k" "$work/out/pass.webm")"
done

echo "## HEVC and VP9 outputs"
echo
echo "\`bench/outputs/run.sh\`: four 10 s 640x360 clips (H.264/AAC MP4, MPEG-2/MP2 MPG, MPEG-4/MP3 AVI,"
echo "H.264/PCM MOV), $rounds rounds in alternation, $(nproc) cores shared with other work (load average"
echo "$(cut -d' ' -f1 /proc/loadavg) at the end). Median seconds."
echo
echo "| run | wall | processor |"
echo "|---|---|---|"
row "MP4 - H.265 (HEVC), half the size: the job" hevc_job
row "one ffmpeg pass, libx265 900k, AAC 160k" hevc_pass
row "WebM - VP9 and Opus for the web: the job" vp9_job
row "one ffmpeg pass, libvpx-vp9 900k (good, cpu-used 4, row-mt), Opus 96k" vp9_pass
echo
echo "Job against pass, each round: HEVC $(each hevc_job hevc_pass /), VP9 $(each vp9_job vp9_pass /) (goal: at most 1.0)."
echo "Sizes: $(stat -c '%n %s' "$work/out/"* | sed "s|$work/out/||" | tr '\n' ';')"
