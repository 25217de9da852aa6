#!/usr/bin/env bash
# The main window and the About box as a window manager sees them, on a real X server
# (Xvfb) under openbox: the title the title bar shows, and an About box that cannot
# stay minimised.
set -euo pipefail
program="$1"

source "$(dirname "$0")/x_session.sh"
start_x_session 1280x800

# The program's own folder, so that nothing the test does touches the build's.
cp -r "$(dirname "$program")" "$work/velmo"
QT_QPA_PLATFORM=xcb HOME="$work" XDG_CONFIG_HOME="$work/config" "$work/velmo/$(basename "$program")" >/dev/null 2>&1 &
pids+=($!)

net_wm_name() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }

main=$(window_named "Velmo AVI Video Joiner V1.5") || fail "no main window titled \"Velmo AVI Video Joiner V1.5\""
[ "$(net_wm_name "$main")" = "Velmo AVI Video Joiner V1.5" ] || fail "main window title is \"$(net_wm_name "$main")\""

# The About button sits at a fixed place on the toolbar.
xdotool mousemove --window "$main" 582 28 click 1
about=$(window_named "About") || fail "the About box did not open"
[ "$(net_wm_name "$about")" = "About" ] || fail "About box title is \"$(net_wm_name "$about")\""
# The box asks for no minimise and no maximise function (Motif hints: 8 and 16).
functions=$(xprop -id "$about" _MOTIF_WM_HINTS | sed -n 's/.* = [^,]*, \([^,]*\),.*/\1/p')
(( (functions & 24) == 0 )) || fail "the About box offers minimise or maximise (functions $functions)"

# Openbox minimises a dialog whatever it asks for, and its main window with it.
xdotool windowminimize "$about"
sleep 1.5
for id in "$about" "$main"; do
    if xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; then fail "window $id stayed minimised"; fi
done
