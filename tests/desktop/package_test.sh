#!/usr/bin/env bash
# The Debian package, read as dpkg and lintian read it: its control fields, the program
# folder under /usr/lib/velmo-joiner, the link, the desktop entry with its video types, and
# the icon; then installed into a throw-away root (never into this system) and used there.
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

# Installed into a throw-away root and used there by root: the program folder stays as the
# package laid it down (dpkg -V is quiet), and removing the package leaves nothing of it.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends -i "$deb" >/dev/null 2>&1 || fail "the package does not install"
home="$work/home"
HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" QT_QPA_PLATFORM=offscreen \
    "$root/usr/lib/velmo-joiner/velmo-joiner" >/dev/null 2>&1 &
program=$!
for _ in $(seq 100); do [ -s "$home/config/velmo-joiner/Preferences.ini" ] && break; sleep 0.1; done
kill -TERM "$program"
wait "$program" || true
changed=$(dpkg --root="$root" -V velmo-joiner) || fail "dpkg -V failed"
[ -z "$changed" ] || fail "root's run changed the installed files: $changed"
grep -q '^Profile Name=' "$home/config/velmo-joiner/Preferences.ini" || fail "the closing window kept no preferences"
dpkg --root="$root" --force-depends -P velmo-joiner >/dev/null 2>&1 || fail "the package does not go away"
[ ! -e "$root/usr/lib/velmo-joiner" ] || fail "left behind: $(find "$root/usr/lib/velmo-joiner")"
