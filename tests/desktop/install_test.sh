#!/usr/bin/env bash
# `cmake --install` into a prefix of the test's own: the program folder stays whole, the
# desktop learns the program and its video types, and a user who may not write to the
# installed folder gets preferences of their own.
set -euo pipefail
build="$1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
folder="$prefix/lib/velmo-joiner"
for file in velmo-joiner asapi.dll Preferences.ini Velmo.chm help/index.html; do
    [ -s "$folder/$file" ] || fail "$file is not in the installed program folder"
done
ls "$folder/Profiles/"*.bpf >/dev/null || fail "no profiles installed"
[ "$(readlink -f "$prefix/bin/velmo-joiner")" = "$(readlink -f "$folder/velmo-joiner")" ] || fail "bin/velmo-joiner"
desktop="$prefix/share/applications/velmo-joiner.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx "Exec=\"$folder/velmo-joiner\" %F" "$desktop" || fail "the entry does not pass the chosen files on"
grep -q '^MimeType=.*video/x-msvideo;.*video/mp4;' "$desktop" || fail "the entry names no video types"
[ -s "$prefix/share/icons/hicolor/64x64/apps/velmo-joiner.png" ] || fail "no icon"

# A user who cannot write to the installed folder (root writes anywhere, so nobody runs it).
chmod -R a+rX "$work"
home="$work/home"
mkdir -p "$home"
chown nobody "$home"
if ! setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$folder/velmo-joiner"; then
    echo "an unprivileged user cannot reach the installed program here"
    exit 77
fi
before=$(md5sum < "$folder/Preferences.ini")
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=offscreen \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$prefix/bin/velmo-joiner" >/dev/null 2>&1 &
program=$!
for _ in $(seq 50); do [ -s "$home/config/velmo-joiner/Preferences.ini" ] && break; sleep 0.1; done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
[ -s "$home/config/velmo-joiner/Preferences.ini" ] || fail "no preferences of the user's own"
grep -q '^Version=' "$home/config/velmo-joiner/Preferences.ini" || fail "the user's preferences were not seeded"
[ "$(md5sum < "$folder/Preferences.ini")" = "$before" ] || fail "the installed preferences changed"
