#!/bin/sh
# What the colour conversion and the loudness measure cost a conversion (a piece of the
# MP4/H.264 join): the same 20 s 640x360 picture as SDR BT.709 and as HLG (HEVC 10-bit),
# each converted with and without -evenloudness. Wall and processor seconds, best of two.
# Usage: bench/colour/run.sh [build folder]
set -eu
build=${1:-build}
encoder=$(cd "$build" && pwd)/velmo/asapi.dll
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export VELMO_JOB_MARK=0123456789abcdef0123456789abcdef

ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc2=s=640x360:r=25:d=20" -f lavfi -i "sine=f=440:r=48000:d=20" \
    -vf "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p" -c:v libx264 -preset veryfast -crf 18 \
    -colorspace bt709 -color_primaries bt709 -color_trc bt709 -c:a aac sdr.mp4
ffmpeg -hide_banner -loglevel error -i sdr.mp4 -c:a copy \
    -vf "zscale=tin=709:min=709:pin=709:rin=tv:t=linear:npl=100,format=gbrpf32le,zscale=p=2020:t=arib-std-b67:m=2020_ncl:r=tv:npl=203,format=yuv420p10le" \
    -c:v libx265 -preset ultrafast -x265-params log-level=error -colorspace bt2020nc -color_primaries bt2020 \
    -color_trc arib-std-b67 hlg.mp4

options="-piece -piecefor mp4 -ofps 25 -ovc lavc -lavcopts vcodec=h264:vbitrate=1800 -oac lavc -lavcopts acodec=aac -srate 48000"
echo "| input | measure | wall | processor |"
echo "|---|---|---|---|"
for input in sdr hlg; do
    for measure in "" -evenloudness; do
        best=""
        for round in 1 2; do
            rm -f piece.mkv piece.mkv.loudness
            # shellcheck disable=SC2086
            /usr/bin/time -o times -f "%e %U %S" "$encoder" -o piece.mkv $options $measure -- "$input.mp4" >/dev/null 2>&1
            line=$(tail -1 times)
            wall=$(echo "$line" | cut -d' ' -f1)
            cpu=$(echo "$line" | awk '{print $2 + $3}')
            if [ -z "$best" ] || [ "$(echo "$wall < ${best%% *}" | awk '{print ($1 < $3)}')" = 1 ]; then best="$wall $cpu"; fi
        done
        echo "| $input | ${measure:-none} | ${best%% *} s | ${best#* } s |"
    done
done
