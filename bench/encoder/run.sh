#!/usr/bin/env bash
# Encoder benchmark (not a test): times the encoder program against Debian's mencoder
# on the conversion line, and the whole two-stage job against one ffmpeg concat pass.
# Usage: bench/encoder/run.sh [build folder]   (default: build-encoder)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-encoder}
encoder=$build/velmo/asapi.dll
work=$root/bench/work/encoder
mkdir -p "$work"
[ -x "$encoder" ] || { echo "build the asapi target first: $encoder" >&2; exit 1; }

# mencoder is needed only here, for comparison.
if ! command -v mencoder >/dev/null; then
  as_root=(); [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends mencoder >/dev/null
fi

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

make_input() { # name video-codec audio-codec
  [ -s "$work/$1" ] && return
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=640x480:rate=25:duration=60 \
    -f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 -ac 2 \
    -c:v "$2" -b:v 2500k -c:a "$3" -t 60 "$work/$1"
}
make_input h264.mp4 libx264 aac
make_input mpeg2.mpg mpeg2video mp2

conversion=(-oac mp3lame -ovc lavc -ofps 30 -vf scale=640:480)
echo "## Conversion line (60 s, 640x480)"
for input in h264.mp4 mpeg2.mpg; do
  ours=$(best "$encoder" "$work/$input" -o "$work/ours.avi" "${conversion[@]}")
  theirs=$(best mencoder "$work/$input" -o "$work/mencoder.avi" "${conversion[@]}")
  echo "| $input | $ours | $theirs | $(ratio "$ours" "$theirs") |"
done

# The joiner's two stages: each input converted, then the intermediates joined.
two_stage() { # output join-options...
  local output=$1; shift
  "$encoder" "$work/h264.mp4" -o "$work/0.avi" "${conversion[@]}" &&
  "$encoder" "$work/mpeg2.mpg" -o "$work/1.avi" "${conversion[@]}" &&
  "$encoder" "$work/0.avi" "$work/1.avi" -o "$output" "$@"
}
# One ffmpeg pass over the same inputs to the same target.
single_pass() { # output video-options...
  local output=$1; shift
  ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -i "$work/mpeg2.mpg" -filter_complex \
    "[0:v]fps=30,scale=640:480,setsar=1[v0];[1:v]fps=30,scale=640:480,setsar=1[v1];[v0][0:a][v1][1:a]concat=n=2:v=1:a=1[v][a]" \
    -map '[v]' -map '[a]' "$@" -c:a libmp3lame -q:a 4 -ar 44100 -ac 2 "$output"
}
audio=(-oac mp3lame -lameopts vbr=2:q=4 -channels 2 -vf scale=640:480 -srate 44100)
echo "## Two-stage job against one pass (2 x 60 s)"
for target in avi mp4; do
  if [ $target = avi ]; then
    codec=mpeg4; single=(-c:v mpeg4 -b:v 1800k -mbd 2)
  else
    codec=h264; single=(-c:v libx264 -b:v 1800k)
  fi
  job=$(best two_stage "$work/job.$target" -ovc lavc -lavcopts "vcodec=$codec:vbitrate=1800:mbd=2:autoaspect" "${audio[@]}")
  pass=$(best single_pass "$work/single.$target" "${single[@]}")
  echo "| $target/$codec | $job | $pass | $(ratio "$job" "$pass") |"
done

# Thread counts for the intermediate encode, measured on the bare ffmpeg command.
echo "## Intermediate encode by thread count (h264.mp4)"
for threads in 1 2 0; do
  t=$(best ffmpeg -nostdin -v error -y -i "$work/h264.mp4" -vf fps=30,scale=640:480 -c:v mpeg4 -q:v 2 \
        -threads $threads -c:a libmp3lame -q:a 2 -f avi "$work/threads.avi")
  echo "| $threads | $t |"
done
