#!/usr/bin/env bash
# The window's keys in a real window on a virtual display: a clip opened with
# Ctrl+O, presets applied from the strip by a click and by Right and Return,
# both undone with Ctrl+Z and redone with Ctrl+Shift+Z, and the held \ key
# showing the frame without the look. Each step is checked on the screen.
# Usage: window_keys.sh OLDREEL XCLOSE
set -u
oldreel=$1 xclose=$2
work=$(mktemp -d)
trap 'kill "$app" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/virtual_display.sh"
start_virtual_display

ffmpeg -loglevel error -f lavfi -i "testsrc2=size=320x240:rate=25" -t 2 -pix_fmt yuv420p \
    "$work/clip.mp4" || { echo "FAIL: no clip"; exit 1; }

HOME=$work XDG_CONFIG_HOME=$work/.config QT_QPA_PLATFORM=xcb "$oldreel" >"$work/log" 2>&1 &
app=$!

# Waits up to 10 s for a window named $1 and gives it the keyboard.
window() {
    for _ in $(seq 100); do
        id=$(xdotool search --name "$1" 2>/dev/null | tail -1)
        [ -n "$id" ] && timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "FAIL: no window named $1"; cat "$work/log"; exit 1
}
# The middle of the preview, as text: one line per pixel.
preview() { import -window root -crop 120x80+200+200 txt:- 2>/dev/null | tail -n +2; }
# Waits up to 10 s until the preview is (or, with !, is no longer) $2.
until_preview() {
    for _ in $(seq 100); do
        now=$(preview)
        if [ "$1" = is ]; then [ "$now" = "$2" ] && return 0; else [ "$now" != "$2" ] && return 0; fi
        sleep 0.1
    done
    echo "FAIL: $3"; exit 1
}
# Sets $now to the preview once two captures in a row are alike.
until_preview_rests() {
    last=$(preview)
    for _ in $(seq 50); do
        now=$(preview)
        [ "$now" = "$last" ] && return 0
        last=$now
    done
    echo "FAIL: $1"; exit 1
}

window '^Oldreel$'
until_preview_rests "the empty preview kept changing"
empty=$now
xdotool key ctrl+o
window '^Open Video$'
xdotool type --delay 10 "$work/clip.mp4"
xdotool key Return
for _ in $(seq 100); do xdotool search --name '^Open Video$' >/dev/null 2>&1 || break; sleep 0.1; done
window '^Oldreel$'
# A second after Open the frame at 10 % of the clip is taken out to the
# thumbnails folder, then shown.
for _ in $(seq 100); do [ -s "$work/Documents/OldreelThumbnails/clip.mp4.bmp" ] && break; sleep 0.1; done
until_preview not "$empty" "the opened clip's frame never showed"
until_preview_rests "the opened clip's frame kept changing"
look=$now

# A click on the first thumbnail applies preset 1 and gives the strip the
# focus; Right and Return apply preset 2. Each is one step to undo.
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove 100 $((HEIGHT - 80)) click 1
until_preview not "$look" "a click on the strip applied no preset"
first=$(preview)
xdotool key Right Return
until_preview not "$first" "Return in the strip applied no preset"
second=$(preview)
xdotool key ctrl+z
until_preview is "$first" "Ctrl+Z did not bring preset 1 back"
xdotool key ctrl+z
until_preview is "$look" "a second Ctrl+Z did not bring the opened look back"
xdotool key ctrl+shift+z ctrl+shift+z
until_preview is "$second" "Ctrl+Shift+Z did not redo both presets"
preset=$second

xdotool keydown backslash
until_preview not "$preset" "holding \\ did not show the frame without the look"
xdotool keyup backslash
until_preview is "$preset" "letting \\ go did not bring the look back"

"$xclose" Oldreel || { echo "FAIL: could not ask the window to close"; exit 1; }
wait "$app"
echo "keys: Ctrl+O, strip, undo, redo and compare all showed on the screen"
