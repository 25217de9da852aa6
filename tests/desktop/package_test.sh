#!/usr/bin/env bash
# The Debian package, read as dpkg and lintian read it (it is not installed): its control
# fields, the program folder under /usr/lib/velmo-joiner, the link, the desktop entry with
# its video types, and the icon.
set -euo pipefail
build="$1"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null
deb=$(ls "$work"/velmo-joiner_*_amd64.deb) || fail "no velmo-joiner_VERSION_amd64.deb"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velmo-joiner ] || fail "Package is \"$(field Package)\""
[ "$(field Architecture)" = amd64 ] || fail "Architecture is \"$(field Architecture)\""
[ "$deb" = "$work/velmo-joiner_$(field Version)_amd64.deb" ] || fail "the file name does not carry the version"
depends=$(field Depends)
for package in libqt6widgets6 libqt6dbus6 qt6-qpa-plugins libmediainfo0v5 libjpeg62-turbo ffmpeg xdg-utils; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends does not name $package: $depends"
done

files=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
folder=./usr/lib/velmo-joiner
for file in "$folder/velmo-joiner" "$folder/asapi.dll" "$folder/Preferences.ini" "$folder/Velmo.chm" \
    "$folder/help/index.html" "$folder/Profiles/AVI - MPEG-4 Video.bpf" \
    "./usr/bin/velmo-joiner -> ../lib/velmo-joiner/velmo-joiner" \
    ./usr/share/applications/velmo-joiner.desktop ./usr/share/icons/hicolor/64x64/apps/velmo-joiner.png \
    ./usr/share/doc/velmo-joiner/copyright; do
    grep -qxF "$file" <<<"$files" || fail "the package does not hold $file"
done
! grep -q '^\./usr/local' <<<"$files" || fail "the package installs into /usr/local"

desktop=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/velmo-joiner.desktop)
grep -qx 'Exec="/usr/lib/velmo-joiner/velmo-joiner" %F' <<<"$desktop" || fail "the entry does not start the installed program"
grep -q '^MimeType=.*video/x-msvideo;.*video/mp4;' <<<"$desktop" || fail "the entry names no video types"

lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian" >&2; fail "lintian reports errors"; }
