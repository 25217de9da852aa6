#!/bin/bash
# Peak memory of a whole join of many short inputs: the console job (joiner, encoder runs
# and their ffmpeg and ffprobe children) in both plans, at 200 and 1,000 inputs of 0.2 s at
# 64x48. Every process of the job's session is sampled every 0.1 s and their resident sizes
# added up; the largest sum is the job's peak. Usage: run.sh [program folder] [counts...].
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/joinmemory"
program=${1:-$root/build/velmo}
shift || true
counts=("${@:-200 1000}")
read -ra counts <<<"${counts[*]}"
profile="AVI - MPEG-4 Video"

mkdir -p "$work/clips" "$work/out"
largest=0
for count in "${counts[@]}"; do (( count > largest )) && largest=$count; done
if [ ! -f "$work/clips/one.mp4" ]; then
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=64x48:rate=25:duration=0.2" \
        -f lavfi -i "sine=frequency=440:duration=0.2" -c:v libx264 -c:a aac "$work/clips/one.mp4"
fi
for n in $(seq -w 1 "$largest"); do
    [ -f "$work/clips/$n.mp4" ] || cp "$work/clips/one.mp4" "$work/clips/$n.mp4"
done
mapfile -t all < <(ls "$work/clips/"[0-9]*.mp4)

# "peak-kB wall-seconds exit-code" of one job.
peak() { # plan count
    local inputs=("${all[@]:0:$2}") start=$SECONDS
    setsid "$program/velmo-joiner" --join --profile "$profile" --plan="$1" --output "$work/out/joined.avi" \
        --overwrite --force -- "${inputs[@]}" >/dev/null 2>"$work/out/$1-$2.log" &
    local leader=$! top=0 now code=0
    while kill -0 "$leader" 2>/dev/null; do
        now=$(ps -o rss= -s "$leader" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')
        (( now > top )) && top=$now
        sleep 0.1
    done
    wait "$leader" || code=$?
    echo "$top $((SECONDS - start)) $code"
}

for count in "${counts[@]}"; do
    for plan in intermediate once; do
        read -r kb seconds code <<<"$(peak "$plan" "$count")"
        frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
            -of csv=p=0 "$work/out/joined.avi" 2>/dev/null || echo "?")
        printf '| %s | %d | %d MB | %d s | %s | %s |\n' "$plan" "$count" $((kb / 1024)) "$seconds" "$code" "$frames"
    done
done
