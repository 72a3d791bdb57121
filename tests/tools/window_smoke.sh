#!/usr/bin/env bash
# Starts the built application in a real window on a virtual display, takes a
# screenshot of it, closes the window as a window manager would, and checks
# that the process ended with status 0.
# Usage: window_smoke.sh OLDREEL XCLOSE SCREENSHOT.png
set -u
oldreel=$1 xclose=$2 shot=$3
work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/virtual_display.sh"
start_virtual_display

HOME=$work XDG_CONFIG_HOME=$work/.config QT_QPA_PLATFORM=xcb "$oldreel" >"$work/log" 2>&1 &
app=$!
# Shown and painted: the window holds more colours than a blank one's one or
# two (the root's pattern showing through).
shown=no
for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Oldreel$' 2>/dev/null | head -1)
    if [ -n "$id" ] && [ "$(import -window "$id" -format %k info: 2>/dev/null || echo 0)" -gt 2 ]; then
        shown=yes; break
    fi
    sleep 0.1
done
if [ "$shown" != yes ]; then
    echo "FAIL: no window titled Oldreel appeared"; cat "$work/log"; kill "$app"; exit 1
fi
xwd -root -silent | convert xwd:- "$shot" || { echo "FAIL: no screenshot"; exit 1; }
[ -d "$work/Documents/Oldreel" ] && [ -d "$work/Documents/OldreelThumbnails" ] \
    || { echo "FAIL: working folders missing"; exit 1; }
"$xclose" Oldreel || { echo "FAIL: could not ask the window to close"; exit 1; }
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "FAIL: still running after close"; kill -9 "$app"; exit 1; fi
wait "$app"; status=$?
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; cat "$work/log"; exit 1; }
echo "window shown, screenshot $shot, closed with status 0"
