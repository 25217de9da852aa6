#!/bin/bash
# A join of inputs that hold two sound tracks, a subtitle track and a font, with every
# track kept (the default) against the same join with -tracks first, in pairs in
# alternation: an encoding join to Matroska (one ffmpeg run) and a copy join to Matroska.
# Four 10 s 640x360 clips. Wall and processor seconds (user + system, children included),
# medians of ROUNDS rounds (5 unless set), and the load average before and after.
# Usage: run.sh [build folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../rounds.sh
source "$here/../rounds.sh"
root=$(cd "$here/../.." && pwd)
work="$root/bench/work/tracks"
rounds=${ROUNDS:-5}

build=${1:-$work/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target asapi >/dev/null
encoder="$build/velmo/asapi.dll"

mkdir -p "$work/in" "$work/out"
printf '1\n00:00:01,000 --> 00:00:03,000\nOne\n\n2\n00:00:05,000 --> 00:00:08,000\nTwo\n\n' > "$work/in/cues.srt"
printf 'a font of the clips' > "$work/in/font.ttf"
for n in 1 2 3 4; do
    clip="$work/in/$n.mkv"
    [ -s "$clip" ] && continue
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x360:rate=30:duration=10" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=10" \
        -f lavfi -i "sine=frequency=660:sample_rate=48000:duration=10" -i "$work/in/cues.srt" \
        -map 0 -map 1 -map 2 -map 3 -c:v libx264 -preset ultrafast -g 30 -c:a aac -c:s srt \
        -metadata:s:a:0 language=eng -metadata:s:a:1 language=ger \
        -attach "$work/in/font.ttf" -metadata:s:t mimetype=font/ttf "$clip"
done

encode=(-ovc lavc -lavcopts vcodec=h264:vbitrate=1000 -oac lavc -lavcopts acodec=aac)
copy=(-ovc copy -oac copy)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for ((round = 1; round <= rounds; ++round)); do
    for tracks in all first; do
        add "encode-$tracks" "$(measure "$encoder" "$work/in/"*.mkv -o "$work/out/encode-$tracks.mkv" \
            "${encode[@]}" -tracks "$tracks")"
        add "copy-$tracks" "$(measure "$encoder" "$work/in/"*.mkv -o "$work/out/copy-$tracks.mkv" \
            "${copy[@]}" -tracks "$tracks")"
    done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "| join | tracks | wall s (median) | processor s (median) |"
echo "|---|---|---|---|"
for kind in encode copy; do
    for tracks in all first; do
        printf '| %s | %s | %s | %s |\n' "$kind" "$tracks" "$(median "${wall[$kind-$tracks]}")" \
            "$(median "${cpu[$kind-$tracks]}")"
    done
done
echo
echo "Each round, wall seconds of all / first: encoding $(each encode-all encode-first /); copy $(each copy-all copy-first /)"
echo "Load average before: $load_before; after: $load_after"
for file in encode-all copy-all; do
    printf '%s: ' "$file"
    ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$work/out/$file.mkv" | tr '\n' ' '
    echo
done
