#!/bin/bash
# Many short inputs: the console job on 64 clips of 1 s at 320x240 against one ffmpeg run
# that re-encodes the same clips through the concat demuxer into the same picture and
# sound, pairs in alternation, wall and processor seconds; then the programs that one job
# starts, counted from its successful execve calls (strace -z: a PATH search tries several
# folders, and an interrupted call would otherwise count twice). Prints a section for bench/RESULTS.md.
# Usage: run.sh [program folder] [plan]  (default: the build's program folder, "once").
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/processes"
rounds=${ROUNDS:-3}
inputs=${INPUTS:-64}
program=${1:-$root/build/velmo}
plan=${2:-once}
profile="AVI - MPEG-4 Video"

rm -rf "$work"
mkdir -p "$work/clips" "$work/out"
for n in $(seq -w 1 "$inputs"); do
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=320x240:rate=25:duration=1" \
        -f lavfi -i "sine=frequency=440:duration=1" -c:v libx264 -c:a aac "$work/clips/$n.mp4"
done
clips=("$work/clips/"*.mp4)

joiner() {
    "$program/velmo-joiner" --join --profile "$profile" --plan="$plan" --output "$work/out/job.avi" \
        --overwrite --force -- "${clips[@]}"
}
# The profile's first choices: 640x480 at 30 fps, MPEG-4 1800k, MP3, 44.1 kHz stereo.
concat_encode() {
    local list="$work/out/list.txt"
    printf "file '%s'\n" "${clips[@]}" > "$list"
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -vf scale=640:480,setsar=1,fps=30 \
        -c:v mpeg4 -b:v 1800k -mbd 2 -c:a libmp3lame -q:a 4 -ar 44100 -ac 2 "$work/out/concat.avi"
}

for round in $(seq "$rounds"); do
    add job "$(measure joiner)"
    add concat "$(measure concat_encode)"
done

# Every program the job starts, by name (the encoder is installed as asapi.dll).
trace="$work/out/execve.txt"
strace -f -qq -z -e trace=execve -e signal=none -o "$trace" "$program/velmo-joiner" --join --profile "$profile" \
    --plan="$plan" --output "$work/out/job.avi" --overwrite --force -- "${clips[@]}" >/dev/null 2>&1
counts=$(grep -v ' = -1 ' "$trace" | grep -o 'execve("[^"]*"' | sed 's/.*\///; s/"$//' | sort | uniq -c \
    | awk -v n="$inputs" '{ printf "%s %d (%.2f per input); ", $2, $1, $1 / n; total += $1 }
                          END { printf "all %d (%.2f per input)", total, total / n }')

cat <<SECTION
Run with \`bench/processes/run.sh\` (ROUNDS=$rounds, plan $plan): $inputs clips of 1 s, 320x240 at 25 fps, H.264/AAC MP4; profile "$profile" with its first choices. Medians of the rounds, wall and processor (user + system, children included) seconds, on the shared 2-core machine.

| run | wall s | processor s |
|---|---|---|
$(row "console job, $inputs inputs" job)
$(row "ffmpeg -f concat, re-encoded" concat)

| ratio, wall | per round | median |
|---|---|---|
| job / concat re-encode | $(each job concat /)| $(median "$(each job concat /)") |

Programs started by one job: $counts.
SECTION
