#!/bin/sh
# The intermediate plan's join cost per codec and frame size: the wall time of the join of
# six intermediate files with each shipped profile's picture codec, against the wall time
# of the six conversions that made them, two side by side as the job runs them.
# Prints "codec size conversions-s join-s cost" lines.
# Usage: bench/progress/joincost.sh [PROGRAM_FOLDER] (default: build/velmo); SIZES="320x240 640x480"
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=${1:-$root/build/velmo}
work="$root/bench/work/joincost"
seconds=${SECONDS_PER_CLIP:-20}
mkdir -p "$work"

now() { date +%s.%N; }

for size in ${SIZES:-320x240 640x480}; do
    scale=$(echo "$size" | tr x :)
    folder="$work/$size"
    rm -rf "$folder" && mkdir -p "$folder/job"
    for i in 1 2 3 4 5 6; do
        ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=25:duration=$seconds" \
            -f lavfi -i "sine=frequency=$((300 + 50 * i)):duration=$seconds" \
            -c:v libx264 -preset ultrafast -c:a aac "$folder/c$i.mp4"
    done
    start=$(now)
    for pair in "1 2" "3 4" "5 6"; do
        for i in $pair; do
            TMPDIR="$folder/job" "$program/asapi.dll" -o "$folder/job/$i.avi" -oac mp3lame -ovc lavc -ofps 30 \
                -vf "scale=$scale" -- "$folder/c$i.mp4" >/dev/null 2>&1 &
        done
        wait
    done
    converted=$(echo "$(now) - $start" | bc)
    for profile in "$program"/Profiles/*.bpf; do
        name=$(basename "$profile" .bpf)
        case $name in *Same-format*) continue ;; esac
        ext=$(echo "${name%% *}" | tr 'A-Z' 'a-z')
        # The join's options as the job passes them, at this frame size, without chapters.
        options=$("$program/velmo-joiner" --join --profile "$name" --output "$folder/o.$ext" --plan=intermediate \
            --dry-run -- "$folder/c1.mp4" "$folder/c2.mp4" 2>/dev/null | tail -1 |
            sed -e 's/.*-o "[^"]*" *//' -e 's/ -chaptertitle "[^"]*"//g' -e "s/scale=[0-9]*:[0-9]*/scale=$scale/")
        codec=$(echo "$options" | sed 's/.*vcodec=\([a-z0-9]*\).*/\1/')
        start=$(now)
        # shellcheck disable=SC2086
        TMPDIR="$folder/job" "$program/asapi.dll" -o "$folder/o.$ext" $options -- "$folder"/job/?.avi >/dev/null 2>&1
        joined=$(echo "$(now) - $start" | bc)
        echo "$codec $size $converted $joined $(echo "scale=2; $joined / $converted" | bc)"
    done
done
