#!/usr/bin/env bash
# What the encoder's read-back of its finished output costs. The encoder says
# "#velmo TOKEN step checking" on its standard output, for a caller that gives the token
# in VELMO_TAGGED_LINES, when it starts reading the output back, and
# ends right after (the output is then only renamed), so the check's wall time is the
# time from that line to the run's end. Two jobs, run in alternation:
#   copy:   six 60 s 1280x720 25 fps H.264/AAC MP4 clips joined as the profile
#           "MP4 - Same-format files joined without re-encoding" asks (-ovc copy -oac copy,
#           a chapter per input);
#   encode: four mixed 20 s inputs (MPEG-2 MPG, H.264 MP4, MPEG-4 AVI, VP9 WebM) joined in
#           one run into AVI, MPEG-4 1600 kbit/s and MP3.
# Per run: the whole run's wall time, the check's wall time, the whole run's processor
# time (/usr/bin/time, children included) and the check's own processor time (the
# encoder's process reads the output back itself; its own and its waited children's
# times in /proc are taken at the step line). The load average is noted before each run.
# Appends (or replaces) the section "## Reading the output back" of bench/RESULTS.md.
# Usage: bench/verify/run.sh [inputs folder] [build folder]   (ROUNDS=3 by default)
set -euo pipefail
shopt -s lastpipe

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
inputs=${1:-/tmp/velmo-bench-verify}
build=${2:-$root/build}
rounds=${ROUNDS:-3}
mkdir -p "$inputs/copy" "$inputs/encode"
inputs=$(cd "$inputs" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target asapi >/dev/null
encoder="$build/velmo/asapi.dll"
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time" >&2; exit 1; }

# The inputs, made once: name seconds size frequency video-options... -- audio-options...
clip() {
    local name=$1 seconds=$2 size=$3 frequency=$4
    shift 4
    [ -s "$name" ] && return
    local video=() audio=()
    while [ "$1" != -- ]; do video+=("$1"); shift; done
    shift
    audio=("$@")
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=25:duration=$seconds" \
        -f lavfi -i "sine=frequency=$frequency:sample_rate=48000:duration=$seconds" -ac 2 \
        "${video[@]}" "${audio[@]}" -shortest "$name.new" || { rm -f "$name.new"; return 1; }
    mv "$name.new" "$name"
}
h264=(-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 50)
for n in 1 2 3 4 5 6; do
    clip "$inputs/copy/clip$n.mp4" 60 1280x720 $((300 + 60 * n)) "${h264[@]}" -f mp4 -- -c:a aac -b:a 128k
done
clip "$inputs/encode/1.mpg" 20 640x480 440 -c:v mpeg2video -b:v 4M -f mpeg -- -c:a mp2 -b:a 192k
clip "$inputs/encode/2.mp4" 20 1280x720 550 "${h264[@]}" -f mp4 -- -c:a aac -b:a 128k
clip "$inputs/encode/3.avi" 20 320x240 660 -c:v mpeg4 -q:v 4 -f avi -- -c:a libmp3lame -b:a 128k
clip "$inputs/encode/4.webm" 20 854x480 770 -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 1500k -f webm -- \
    -c:a libopus -b:a 96k

copy_inputs=("$inputs/copy/clip"*.mp4)
copy_args=(-o "$work/joined.mp4" -ovc copy -oac copy)
for input in "${copy_inputs[@]}"; do copy_args+=(-chaptertitle "$(basename "$input" .mp4)"); done
copy_args+=(-- "${copy_inputs[@]}")
encode_args=(-o "$work/joined.avi" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1600 -oac mp3lame
    -- "$inputs/encode/1.mpg" "$inputs/encode/2.mp4" "$inputs/encode/3.avi" "$inputs/encode/4.webm")

ticks=$(getconf CLK_TCK)
log="$work/runs.txt" # job wall check_wall processor check_processor load
: > "$log"

# The processor ticks of a process and its waited children, from /proc/PID/stat.
ticks_of() {
    local stat rest
    read -r stat < "/proc/$1/stat" || return 1
    rest=${stat##*) }
    local -a f
    read -ra f <<<"$rest"
    # After "pid (comm) ": state is field 0, utime 11, stime 12, cutime 13, cstime 14.
    echo $((f[11] + f[12] + f[13] + f[14]))
}

# One timed run of the encoder: job arguments...
timed() {
    local job=$1
    shift
    local load start end line check="" pid="" at_check="" before="" times="$work/times.txt"
    load=$(uptime | sed 's/.*load average: //')
    echo "$(date +%T) $job: load average $load" >&2
    rm -f "$2" # the output, after -o
    start=$EPOCHREALTIME
    VELMO_TAGGED_LINES=bench /usr/bin/time -f '%e %U %S' -o "$times" "$encoder" "$@" 2>"$work/stderr.txt" |
        while IFS= read -r line; do
            # The encoder is the child of /usr/bin/time, itself a child of this shell.
            if [ -z "$pid" ]; then
                pid=$(pgrep -P "$(pgrep -P "$$" -x time)" || true)
            fi
            if [ -z "$check" ] && [[ $line == *"#velmo bench step checking"* ]]; then
                check=$EPOCHREALTIME
                [ -n "$pid" ] && at_check=$(ticks_of "$pid" || true)
            fi
        done
    end=$EPOCHREALTIME
    [ -n "$check" ] || { echo "no checking step from the $job run" >&2; cat "$work/stderr.txt" >&2; exit 1; }
    local wall user system
    read -r wall user system < <(tail -1 "$times")
    before=${at_check:-0}
    awk -v job="$job" -v s="$start" -v c="$check" -v e="$end" -v u="$user" -v y="$system" \
        -v b="$before" -v t="$ticks" -v l="${load%%,*}" -v known="${at_check:+1}" 'BEGIN {
            cpu = u + y
            printf "%s %.3f %.3f %.2f %s %s\n", job, e - s, e - c, cpu, known ? sprintf("%.2f", cpu - b / t) : "-", l
        }' >> "$log"
    tail -1 "$log" >&2
}

# One run of each first, so that the inputs are in the page cache for every measured run.
timed warm-copy "${copy_args[@]}"
timed warm-encode "${encode_args[@]}"
: > "$log"
for round in $(seq "$rounds"); do
    timed copy "${copy_args[@]}"
    timed encode "${encode_args[@]}"
done
cp "$log" "$inputs/runs.txt"

# For scale, the two halves of the copy join's check done by bare ffmpeg on the last
# joined file, least of three: every packet read (both streams copied to nowhere), and
# the picture decoded a second either side of each joint and at both ends, one ffmpeg
# per window (each also decodes from the key frame before its window, as the check does).
cost() { # wall and processor seconds of a command or function, children included
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }'
}
least() { sort -g -k2 | head -1; }
joined="$work/joined.mp4"
read_packets=$(for _ in 1 2 3; do cost ffmpeg -nostdin -v error -i "$joined" -map 0 -c copy -f null -; done | least)
windows=()
at=0
for input in "${copy_inputs[@]}"; do
    length=$(ffprobe -v error -select_streams v:0 -show_entries format=duration -of csv=p=0 "$input")
    if [ "$at" = 0 ]; then windows+=("0 1"); else windows+=("$(awk -v a="$at" 'BEGIN { print a - 1, a + 1 }')"); fi
    at=$(awk -v a="$at" -v l="$length" 'BEGIN { print a + l }')
done
windows+=("$(awk -v a="$at" 'BEGIN { print a - 1, a }')")
decode_windows() {
    local from to
    for window in "${windows[@]}"; do
        read -r from to <<<"$window"
        ffmpeg -nostdin -v error -ss "$from" -to "$to" -i "$joined" -map 0:v:0 -f null - || return 1
    done
}
decode=$(for _ in 1 2 3; do cost decode_windows; done | least)

# Least and median of a column (2 job wall, 3 check wall, 4 processor, 5 check processor,
# 6 load, 7 check share in %) over a job's runs.
column() { # job column
    awk -v job="$1" -v col="$2" '$1 == job { v = (col == 7) ? 100 * $3 / $2 : $col; if (v != "-") print v }' "$log" |
        sort -g | awk '{ v[NR] = $1 } END {
            if (!NR) { print "- -"; exit }
            m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "%g %g %g\n", v[1], m, v[NR] }'
}
cell() { # job column format: "least / median"
    local least median most
    read -r least median most < <(column "$1" "$2")
    printf "$3 / $3" "$least" "$median"
}
each() { # job column: every run's value in order
    awk -v job="$1" -v col="$2" '$1 == job { v = (col == 7) ? 100 * $3 / $2 : $col; printf "%s%.3g", sep, v; sep = ", " }' "$log"
}
loads() { # job: the load averages before its runs, least to most
    local least median most
    read -r least median most < <(column "$1" 6)
    echo "$least to $most"
}
median_of() { local least median most; read -r least median most < <(column "$1" "$2"); echo "$median"; }

share=$(median_of encode 7)
copy_check=$(median_of copy 3)
encode_goal=$(awk -v s="$share" 'BEGIN { print (s < 5) ? "met" : "not met" }')
copy_goal=$(awk -v c="$copy_check" 'BEGIN { print (c < 0.2) ? "met" : "not met" }')
copy_least_goal=$(awk -v c="$(column copy 3 | cut -d' ' -f1)" 'BEGIN { print (c < 0.2) ? "met" : "not met" }')
most_load=$(awk '{ print $6 }' "$log" | sort -g | tail -1)
copy_check_cpu=$(median_of copy 5)
copy_cpu_words=$(awk -v c="$copy_check_cpu" 'BEGIN {
    if (c == "-" || c < 0.2) { print ""; exit }
    printf " The check'"'"'s own processor time on the copy join, %.2f s (median), is %.1f times the 0.2 s goal by itself, so a quiet machine would not meet the goal either, unless the decoder'"'"'s threads (it runs with libavcodec'"'"'s own count) win it back on more cores; by the bare ffmpeg figures above, decoding the windows weighs most of it and reading every packet the rest.", c, c / 0.2 }')
busy=$(awk -v l="$most_load" 'BEGIN { print (l > 2) ? "busy" : "quiet" }')

section=$(cat <<SECTION
## Reading the output back

Run with \`bench/verify/run.sh [inputs folder] [build folder]\` (ROUNDS=$rounds). Every encoder run reads its finished output back before it names it: every packet through libavformat, and pictures decoded (on one thread, without the loop filter): in an encoding job a second either side of every joint and at both ends; in a copy join half a second from each joint's key frame and from the start, whose copied pictures only a joint can break (the job's own pieces are not decoded). The encoder tells its checking step in a tagged line when the check begins and ends right after it, so the check's wall time is taken from that line to the run's end; the run's wall time from its start to its end, its processor time (user + system, children included) from \`/usr/bin/time\`, and the check's own processor time as the run's less what the encoder's process and its children had used at that line (\`/proc\`; the check runs in the encoder's own process). The two jobs in alternation, $rounds runs each after one unmeasured run of each (inputs in the page cache), on the shared 2-core machine; the load average (1 minute) was noted before each run.

- copy join: six 60 s 1280x720 25 fps H.264 (ultrafast) / AAC clips in MP4, 6 minutes in all, joined as the profile "MP4 - Same-format files joined without re-encoding" asks (\`-ovc copy -oac copy\`, a \`-chaptertitle\` per input);
- encoding job: four 20 s inputs, 640x480 MPEG-2/MP2 MPG, 1280x720 H.264/AAC MP4, 320x240 MPEG-4/MP3 AVI, 854x480 VP9/Opus WebM, joined in one run to AVI (\`-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1600 -oac mp3lame\`).

Least / median of the runs:

| job | job wall, s | check wall, s | check share of the job | processor, whole run, s | processor, check, s | load average before the runs |
|---|---|---|---|---|---|---|
| copy join, 6 x 60 s 720p | $(cell copy 2 %.2f) | $(cell copy 3 %.3f) | $(cell copy 7 %.1f) % | $(cell copy 4 %.2f) | $(cell copy 5 %.2f) | $(loads copy) |
| encoding job, 4 x 20 s to AVI | $(cell encode 2 %.2f) | $(cell encode 3 %.3f) | $(cell encode 7 %.2f) % | $(cell encode 4 %.2f) | $(cell encode 5 %.2f) | $(loads encode) |

Each run, in order: copy join check wall $(each copy 3) s (job $(each copy 2) s); encoding job check share $(each encode 7) % (job $(each encode 2) s).

For scale, bare ffmpeg on the last copy join's output ($(du -m "$joined" | cut -f1) MB), least of three, wall / processor seconds: every packet of both streams read (\`-map 0 -c copy -f null\`) ${read_packets% *} / ${read_packets#* }; the picture decoded in the ${#windows[@]} windows around the joints and ends (one \`ffmpeg -ss -to\` each, from the key frame before each window) ${decode% *} / ${decode#* }.

Goals: the check under 5 % of the encoding job: $encode_goal (median $(printf %.2f "$share") %); under 0.2 s on the 6 x 60 s copy join: $copy_goal on the median ($copy_check s), $copy_least_goal on the least run.$copy_cpu_words The machine was $busy during these runs (load average up to $most_load on 2 cores; other developers' builds run beside), which stretches wall times, the check's as much as the rest.
SECTION
)
# shellcheck source=../results.sh
source "$here/../results.sh"
write_section "$section"
echo "$section"
