#!/usr/bin/env bash
# Encoder benchmark (not a test): times the encoder program on the joiner's conversion
# line and on the whole two-stage job, against one ffmpeg pass over the same inputs,
# mencoder when installed and, when given, another build of the encoder (for example
# an older commit's).
# Usage: bench/encoder/run.sh [build folder] [other build folder]   (default: build-enc)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
encoder=${1:-$root/build-enc}/velmo/asapi.dll
other=${2:+$2/velmo/asapi.dll}
work=$root/bench/work/encoder
mkdir -p "$work"
for program in "$encoder" ${other:+"$other"}; do
  [ -x "$program" ] || { echo "build the asapi target first: $program" >&2; exit 1; }
done

# Seconds of wall time of one command, its output thrown away.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
# The best of two runs, so that a busy moment on the shared machine counts less.
best() {
  local a b
  a=$(seconds "$@"); b=$(seconds "$@")
  echo "if ($a < $b) $a else $b" | bc
}
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
# "| ours | other | ratio" or "| ours" when there is no other build.
row() { # label command-using-$program...
  local label=$1; shift
  local ours theirs
  ours=$(program=$encoder best "$@")
  if [ -n "$other" ]; then
    theirs=$(program=$other best "$@")
    echo "| $label | $ours | $theirs | $(ratio "$ours" "$theirs") |"
  else
    echo "| $label | $ours |"
  fi
}

make_input() { # name video-codec audio-codec
  [ -s "$work/$1" ] && return
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 -ac 2 \
    -c:v "$2" -b:v 2500k -c:a "$3" -t 60 "$work/$1"
}
make_input h264.mp4 libx264 aac
make_input mpeg2.mpg mpeg2video mp2

conversion=(-oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480)
convert() { "$program" "$work/$1" -o "$work/converted.avi" "${conversion[@]}"; }
echo "## Conversion line (60 s, 640x480): this build | other build | ratio"
row "conversion, H.264" convert h264.mp4
row "conversion, MPEG-2" convert mpeg2.mpg
# Debian's mencoder on the same line, when it is installed (the package mencoder).
if command -v mencoder >/dev/null; then
  for input in h264.mp4 mpeg2.mpg; do
    echo "| mencoder, $input | $(best mencoder "$work/$input" -o "$work/mencoder.avi" "${conversion[@]}") |"
  done
fi

# The joiner's two stages: each input converted, then the intermediates joined.
two_stage() { # output join-options...
  local output=$1; shift
  "$program" "$work/h264.mp4" -o "$work/0.avi" "${conversion[@]}" &&
  "$program" "$work/mpeg2.mpg" -o "$work/1.avi" "${conversion[@]}" &&
  "$program" "$work/0.avi" "$work/1.avi" -o "$output" "$@"
}
audio=(-oac mp3lame -lameopts vbr=2:q=4 -channels 2 -vf scale=640:480 -srate 44100)
avi_job=(-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1800:mbd=2:autoaspect "${audio[@]}")
mp4_job=(-ovc lavc -lavcopts vcodec=h264:vbitrate=1800:mbd=2:autoaspect "${audio[@]}")
echo "## Two-stage job (2 x 60 s): this build | other build | ratio"
row "two stages, AVI/MPEG-4" two_stage "$work/job.avi" "${avi_job[@]}"
row "two stages, MP4/H.264" two_stage "$work/job.mp4" "${mp4_job[@]}"

# One ffmpeg pass over the same inputs to the same target, for scale.
single_pass() { # output video-options...
  local output=$1; shift
  ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -i "$work/mpeg2.mpg" -filter_complex \
    "[0:v]fps=30,scale=640:480,setsar=1[v0];[1:v]fps=30,scale=640:480,setsar=1[v1];[v0][0:a][v1][1:a]concat=n=2:v=1:a=1[v][a]" \
    -map '[v]' -map '[a]' "$@" -c:a libmp3lame -q:a 4 -ar 44100 -ac 2 "$output"
}
echo "## One ffmpeg pass over both inputs"
echo "| AVI/MPEG-4 | $(best single_pass "$work/single.avi" -c:v mpeg4 -b:v 1800k -mbd 2) |"
echo "| MP4/H.264 | $(best single_pass "$work/single.mp4" -c:v libx264 -b:v 1800k) |"

# A long join of short intermediates: the probing of each input shows here.
ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -t 2 "$work/two_seconds.mp4"
"$encoder" "$work/two_seconds.mp4" -o "$work/short.avi" "${conversion[@]}" >/dev/null
forty() { local inputs=(); for i in $(seq 1 40); do inputs+=("$work/short.avi"); done
  "$program" "${inputs[@]}" -o "$work/long.avi" "${avi_job[@]}"; }
echo "## Join of 40 two-second intermediates: this build | other build | ratio"
row "40 x 2 s to AVI/MPEG-4" forty

# Thread counts for the intermediate encode, measured on the bare ffmpeg command.
echo "## Intermediate encode by encoder thread count (h264.mp4)"
for threads in 1 2 0; do
  t=$(best ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -vf fps=30,scale=640:480 -c:v mpeg4 -q:v 2 \
        -threads $threads -c:a libmp3lame -q:a 2 -f avi "$work/threads.avi")
  echo "| $threads | $t |"
done
