#!/bin/sh
# The remaining time the console shows against the time each job actually still took, read
# once a second, for the encode-once plan, the intermediate plan and a copy job, on six
# short clips and on six 90 s 720p files. Prints the table rows for bench/RESULTS.md.
# Usage: bench/progress/run.sh [PROGRAM_FOLDER] (default: the build's build/velmo)
# SETS="small large" chooses the clip sets (or "medium": six 20 s 1280x720; "mixed": three 20 s
# 640x360 and then three 20 s 1280x720). BUSY="starts
# stops" runs each encoding job instead with another program's x264 encode beside it that
# starts DELAY seconds (default 8) into the job, or that runs from before the job and stops then.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program=${1:-$root/build/velmo}
work="$root/bench/work/progress"
mkdir -p "$work/out"

make_clips() { # folder size seconds [first last]
    mkdir -p "$1"
    for i in $(seq "${4:-1}" "${5:-6}"); do
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

other_encoder() {
    exec ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=1280x720:rate=30 -c:v libx264 -f null -
}

busy() { # starts|stops label folder profile [options]
    mode=$1 label=$2
    shift 2
    delay=${DELAY:-8}
    other=""
    if [ "$mode" = starts ]; then
        (sleep "$delay" && other_encoder) &
    else
        other_encoder &
        other=$!
        (sleep "$delay" && kill "$other") &
    fi
    beside=$!
    job "$label, another encoder $mode at ${delay} s" "$@"
    # The late encoder runs in its subshell's place; a job shorter than the delay ends first.
    kill "$beside" $other 2>/dev/null || true
    wait 2>/dev/null || true
}

echo "| job | seconds | readings after the first 10 % | within 20 % or 3 s | worst error, s | shown at total 100 % | largest rise, s | load average |"
echo "|---|---|---|---|---|---|---|---|"
for set in ${SETS:-small large}; do
    case $set in
    small) make_clips "$work/small" 640x360 20; name="six 20 s 640x360" ;;
    medium) make_clips "$work/medium" 1280x720 20; name="six 20 s 1280x720" ;;
    large) make_clips "$work/large" 1280x720 90; name="six 90 s 1280x720" ;;
    mixed)
        make_clips "$work/mixed" 640x360 20 1 3
        make_clips "$work/mixed" 1280x720 20 4 6
        name="three 20 s 640x360, then three 1280x720"
        ;;
    esac
    if [ -z "${BUSY:-}" ]; then
        job "$name, encode once" "$work/$set" "MP4 - H.264 for phones and the web"
        job "$name, intermediate" "$work/$set" "MP4 - H.264 for phones and the web" --plan=intermediate
        job "$name, copy" "$work/$set" "MP4 - Same-format files joined without re-encoding"
    fi
    for mode in ${BUSY:-}; do
        busy "$mode" "$name, encode once" "$work/$set" "MP4 - H.264 for phones and the web"
        busy "$mode" "$name, intermediate" "$work/$set" "MP4 - H.264 for phones and the web" --plan=intermediate
    done
done
