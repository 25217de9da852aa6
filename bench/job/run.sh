#!/bin/sh
# The job's own cost: the whole job through the console mode against the same encoder
# command lines run one after the other by this script, and the real window during a
# job (longest pause of its event loop, its own processor time). Writes the section
# "## Job" of bench/RESULTS.md.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/job"

cmake -S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 --target velmo-joiner bench_job_window >/dev/null
program="$work/build/velmo"

rm -rf "$work/clips" "$work/out"
mkdir -p "$work/clips" "$work/out"
description="four 20 s clips, 320x240 at 25 fps: H.264/AAC MP4, MPEG-2/MP2 MPG, MPEG-4/MP3 AVI, MJPEG/PCM MOV"
make_clip() {
    ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=20 \
        -f lavfi -i sine=frequency=440:duration=20 -c:v "$2" -c:a "$3" "$work/clips/$1"
}
make_clip a.mp4 libx264 aac
make_clip b.mpg mpeg2video mp2
make_clip c.avi mpeg4 libmp3lame
make_clip d.mov mjpeg pcm_s16le
set -- "$work/clips/a.mp4" "$work/clips/b.mpg" "$work/clips/c.avi" "$work/clips/d.mov"
profile="AVI - MPEG-4 Video"

now() { date +%s.%N; }
console_job() {
    start=$(now)
    "$program/velmo-joiner" --join --profile "$profile" --output "$work/out/console.avi" --overwrite -- "$@" >/dev/null 2>&1
    echo "$(now) - $start" | bc
}
script_job() {
    "$program/velmo-joiner" --join --profile "$profile" --output "$work/out/script.avi" --dry-run -- "$@" \
        > "$work/lines"
    start=$(now)
    while IFS= read -r line; do
        eval "\"$program/asapi.dll\" $line" >/dev/null 2>&1
    done < "$work/lines"
    rm -f "$work/build/velmo/temp/"*.avi
    echo "$(now) - $start" | bc
}

# Best of five each, the two sides in turn: single runs differ by a tenth on this machine.
best_console=999999
best_script=999999
for round in 1 2 3 4 5; do
    c=$(console_job "$@")
    s=$(script_job "$@")
    best_console=$(echo "if ($c < $best_console) $c else $best_console" | bc)
    best_script=$(echo "if ($s < $best_script) $s else $best_script" | bc)
done
ratio=$(printf '%.3f' "$(echo "scale=4; $best_console / $best_script" | bc)")
best_console=$(printf '%.2f' "$best_console")
best_script=$(printf '%.2f' "$best_script")

window=$(QT_QPA_PLATFORM=offscreen "$work/build/bench_job_window" "$program" "$work/out/window.avi" "$@")
value() { echo "$window" | sed -n "s/^$1 //p"; }
share=$(printf '%.2f' "$(echo "scale=4; 100 * $(value own_cpu) / $(value wall)" | bc)")
modal=$(QT_QPA_PLATFORM=offscreen "$work/build/bench_job_window" --modal "$program" "$work/out/window.avi" "$@")
modal_value() { echo "$modal" | sed -n "s/^$1 //p"; }
modal_share=$(printf '%.2f' "$(echo "scale=4; 100 * $(modal_value own_cpu) / $(modal_value wall)" | bc)")

# A long list: 3,000 rows (links to one 2 s clip), Stop pressed 4 s into the job, so that
# the status passes over every row (marked at the start, reset at the stop) are measured.
mkdir -p "$work/rows"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v mpeg4 "$work/rows/0000.avi"
for i in $(seq 1 2999); do ln -sf 0000.avi "$work/rows/$(printf %04d "$i").avi"; done
rows=$(QT_QPA_PLATFORM=offscreen "$work/build/bench_job_window" --modal --stop-after 4 "$program" "$work/out/rows.avi" "$work/rows/"*.avi)
rows_value() { echo "$rows" | sed -n "s/^$1 //p"; }
rows_share=$(printf '%.2f' "$(echo "scale=4; 100 * $(rows_value own_cpu) / $(rows_value wall)" | bc)")

section=$(cat <<SECTION
## Job

Run with \`bench/job/run.sh\`. Inputs: $description; profile "$profile". Wall seconds, best of five, the two sides in turn, on the shared 2-core machine; two single runs of the same side differ by up to a tenth.

| | seconds |
|---|---|
| the whole job through the console mode | $best_console |
| the same encoder command lines (\`--dry-run\`) run one after the other by the script | $best_script |

Ratio (console / script): $ratio (goal: at most 1.02).

Where the console's extra time goes: its start-up to the first encoder run (Qt and MediaInfo start-up, probing the inputs, reading the profile) takes about 0.09 s, measured as the whole of a \`--dry-run\`, which does the same start-up; between one encoder run's end and the next one's start about 5 ms pass (strace); while an encoder runs, the joiner only waits. That is well under 1 % of these jobs, so the ratio is decided by the machine's noise: two single runs of the same side differ by up to a tenth.

The real main window (offscreen) during the same job: the longest pause between two turns of its event loop $(value longest_gap_ms) ms (goal: under 100 ms); its own processor time $(value own_cpu) s in $(value wall) s of job, $share % of one core (goal: under 2 %), against $(value encoder_cpu) s for the encoder and ffmpeg; the loop woke $(value wake_ups_per_s) times a second (the bench's own 10 ms timer is 100 of them).

The same with a modal dialog open through the whole job (a message box, the close question): the longest pause $(modal_value longest_gap_ms) ms; own processor time $(modal_value own_cpu) s in $(modal_value wall) s, $modal_share % of one core; the loop woke $(modal_value wake_ups_per_s) times a second. The encoders' output is read in its notifiers' handlers, whichever loop turns: the dialog's loop sleeps between their words instead of waking at once for a pipe that nobody reads.

A list of 3,000 rows (links to one 2 s clip), a modal dialog open, Stop pressed 4 s into the job, so that the status passes over every row (each row marked at the start, reset at the stop) are measured: own processor time $(rows_value own_cpu) s in $(rows_value wall) s, $rows_share % of one core. The Start button's handler (every check over the 3,000 inputs, the job folder, the first runs started) used $(rows_value start_handler_cpu_ms) ms of the window thread's processor time (goal: under 100 ms) and $(rows_value start_handler_ms) ms of wall time; the longest pause $(rows_value longest_gap_ms) ms; the loop woke $(rows_value wake_ups_per_s) times a second.
SECTION
)
# shellcheck source=../results.sh
source "$here/../results.sh"
write_section "$section"
echo "$section"
