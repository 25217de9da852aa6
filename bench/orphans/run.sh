#!/bin/bash
# How long the encoders and their ffmpeg run on after the console job is killed with
# SIGKILL during its conversions: five rounds, each timed from the kill until the last of
# them has ended. Usage: bench/orphans/run.sh [PROGRAM_FOLDER] (default: build/velmo).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
program="${1:-$root/build/velmo}"
work="$root/bench/work/orphans"
rm -rf "$work"
mkdir -p "$work"
for name in a b; do
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 \
        -f lavfi -i sine=frequency=440:duration=60 -c:v mpeg4 -c:a libmp3lame "$work/$name.avi"
done

# Ended, or a zombie that nobody collects any more.
ended() { [ ! -e "/proc/$1" ] || [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

for round in 1 2 3 4 5; do
    setsid "$program/velmo-joiner" --join --profile "AVI - MPEG-4 Video" --output "$work/out.avi" \
        --overwrite --force "$work/a.avi" "$work/b.avi" >/dev/null 2>&1 &
    joiner=$!
    disown "$joiner"
    # Until both encoders run their ffmpeg.
    encoders="" helpers=""
    for _ in $(seq 300); do
        encoders=$(pgrep -P "$joiner" | tr '\n' ' ' || true)
        helpers=$(for e in $encoders; do pgrep -P "$e" -x ffmpeg || true; done | tr '\n' ' ')
        [ "$(wc -w <<<"$helpers")" -ge 2 ] && break
        sleep 0.05
    done
    start=$(date +%s.%N)
    kill -KILL "$joiner"
    for pid in $encoders $helpers; do
        while ! ended "$pid"; do sleep 0.01; done
    done
    end=$(date +%s.%N)
    printf 'round %d: %d encoders, %d ffmpeg, all ended %.2f s after the kill\n' "$round" \
        "$(wc -w <<<"$encoders")" "$(wc -w <<<"$helpers")" "$(echo "$end - $start" | bc)"
done
