#!/bin/sh
# The remaining time the console shows against the time each job actually still took, read
# once a second, for the encode-once plan, the intermediate plan and a copy job, on six
# short clips and on six 90 s 720p files. Prints the table rows for bench/RESULTS.md.
# Usage: bench/progress/run.sh [PROGRAM_FOLDER] (default: the build's build/velmo)
# SETS="small large" chooses the clip sets.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=${1:-$root/build/velmo}
work="$root/bench/work/progress"
mkdir -p "$work/out"

make_clips() { # folder size seconds
    mkdir -p "$1"
    for i in 1 2 3 4 5 6; do
        [ -s "$1/c$i.mp4" ] && continue
        ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$2:rate=25:duration=$3" \
            -f lavfi -i "sine=frequency=$((300 + 50 * i)):duration=$3" \
            -c:v libx264 -preset ultrafast -c:a aac "$1/c$i.mp4"
    done
}

job() { # label folder profile [options]
    label=$1 folder=$2 profile=$3
    shift 3
    python3 "$here/readings.py" "$label" "$program" --join --profile "$profile" --output "$work/out/out.mp4" \
        --overwrite "$@" -- "$folder"/c*.mp4
}

echo "| job | seconds | readings after the first 10 % | within 20 % or 3 s | worst error, s | shown at total 100 % | largest rise, s | load average |"
echo "|---|---|---|---|---|---|---|---|"
for set in ${SETS:-small large}; do
    case $set in
    small) make_clips "$work/small" 640x360 20; name="six 20 s 640x360" ;;
    large) make_clips "$work/large" 1280x720 90; name="six 90 s 1280x720" ;;
    esac
    job "$name, encode once" "$work/$set" "MP4 - H.264 for phones and the web"
    job "$name, intermediate" "$work/$set" "MP4 - H.264 for phones and the web" --plan=intermediate
    job "$name, copy" "$work/$set" "MP4 - Same-format files joined without re-encoding"
done
