#!/usr/bin/env bash
# The main window and every dialog lie wholly on a 1280x720 screen, and on a 2560x1440
# screen with QT_SCALE_FACTOR=2, under a real window manager (openbox on Xvfb).
set -euo pipefail
program="$1"

source "$(dirname "$0")/x_session.sh"

# The window's frame, title bar included, inside the screen.
on_screen() {
    local name="$1" id="$2" width="$3" height="$4"
    local left top right bottom
    eval "$(xwininfo -id "$id" | awk -F: '{ gsub(/ /, "", $2) }
        /Absolute upper-left X/ {print "x=" $2} /Absolute upper-left Y/ {print "y=" $2}
        /^ *Width/ {print "w=" $2} /^ *Height/ {print "h=" $2}')"
    local frame
    frame=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${frame:-0,0,0,0}"
    (( x - left >= 0 && y - top >= 0 && x + w + right <= width && y + h + bottom <= height )) ||
        fail "$name at ${width}x${height}: ${w}x${h} at $x,$y (frame $frame) is not wholly on the screen"
}

for scale in 1 2; do
    width=$((1280 * scale)); height=$((720 * scale))
    start_x_session "${width}x${height}"

    rm -rf "$work/velmo" "$work/home"
    cp -r "$(dirname "$program")" "$work/velmo"
    # At scale 1 the window's place was saved on a larger screen (1280x800, its lower edge at 741).
    sed -i '/^\[Window\]/,$d' "$work/velmo/Preferences.ini"
    (( scale == 2 )) || printf '[Window]\nGeometry=%s\n' \
        AdnQywADAAAAAADxAAAAswAABBAAAALpAAAA8gAAAMcAAAQPAAAC5AAAAAAAAAAABQAAAADyAAAAxwAABA8AAALk \
        >> "$work/velmo/Preferences.ini"
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        "$work/velmo/$(basename "$program")" >/dev/null 2>&1 &
    pids+=($!)

    main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window at scale $scale"
    sleep 0.5
    on_screen "the main window" "$main" "$width" "$height"
    # Places in the window, in the design's pixels: the toolbar's General Settings and About
    # buttons, and the Setting button beside the profile.
    for dialog in "Settings:517:28" "About:582:28" "Output Settings:480:462"; do
        IFS=: read -r name x y <<<"$dialog"
        xdotool mousemove --window "$main" $((x * scale)) $((y * scale)) click 1
        id=$(window_named "$name") || fail "\"$name\" did not open at scale $scale"
        sleep 0.3
        on_screen "\"$name\"" "$id" "$width" "$height"
        xdotool key Escape
        for _ in $(seq 50); do xdotool search --onlyvisible --name "^$name\$" >/dev/null 2>&1 || break; sleep 0.1; done
    done
    stop_x_session
done
