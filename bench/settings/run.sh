#!/bin/sh
# A console dry run with a profile that holds one 10 MB line (a comment, or the value of a
# key the job reads), against the same profile without it: each settings file is read once
# per use, so its size costs linear time. Usage: bench/settings/run.sh [build folder]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$(cd "$here/../.." && pwd)/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp -r "$build/velmo" "$work/velmo"
for clip in a b; do
    ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 \
        -f lavfi -i sine=duration=2 -c:v mpeg4 -c:a mp2 "$work/$clip.avi"
done
profiles="$work/velmo/Profiles"
base="AVI - MPEG-4 Video"
head -c 10485760 /dev/zero | tr '\0' x > "$work/line"
echo >> "$work/line"
{ echo "[Main]"; printf '; '; cat "$work/line"; tail -n +2 "$profiles/$base.bpf"; } > "$profiles/Long comment.bpf"
# The first description, that of the video codec.
awk 'NR == FNR { line = $0; next } /^Description=/ && !done { print "Description=" line; done = 1; next } { print }' \
    "$work/line" "$profiles/$base.bpf" > "$profiles/Long value.bpf"

now() { date +%s.%N; }
for profile in "$base" "Long comment" "Long value"; do
    best=
    for _ in 1 2 3; do
        start=$(now)
        "$work/velmo/velmo-joiner" --join --profile "$profile" --output "$work/out.avi" --dry-run \
            -- "$work/a.avi" "$work/b.avi" > "$work/lines"
        took=$(echo "$(now) - $start" | bc)
        [ -z "$best" ] || [ "$(echo "$took < $best" | bc)" = 1 ] && best=$took
    done
    printf '%s (%s bytes, %s command lines): best of 3 dry runs %.3f s\n' "$profile" \
        "$(stat -c %s "$profiles/$profile.bpf")" "$(wc -l < "$work/lines")" "$best"
done
