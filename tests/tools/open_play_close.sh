#!/usr/bin/env bash
# In a real window on a virtual display, as a file manager's "Open With"
# does: starts `oldreel CLIP`, which must open the clip by itself; Space
# plays it (a decoder child appears), and closing the window while it plays
# ends the application with status 0 and leaves no child behind.
# Usage: open_play_close.sh OLDREEL XCLOSE
set -u
oldreel=$1 xclose=$2
work=$(mktemp -d)
trap 'kill "$app" "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/log" 2>/dev/null; exit 1; }
command -v xdotool >/dev/null || fail "xdotool is missing"

mkdir -p "$work/home"
ffmpeg -v error -nostdin -f lavfi -i testsrc=size=320x240:rate=25:duration=6 \
    -pix_fmt yuv420p "$work/clip.mp4" || fail "could not make the clip"

. "$(dirname "$0")/virtual_display.sh"
start_virtual_display

# Started from another folder with a relative name, as a launcher may.
(cd "$work" && HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=xcb \
    exec "$oldreel" clip.mp4 >"$work/log" 2>&1) &
app=$!

waitfor() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }
children() { pgrep -P "$app" 2>/dev/null; }

id=$(timeout 10 xdotool search --sync --onlyvisible --name "^Oldreel .* clip.mp4$" 2>/dev/null | head -1)
[ -n "$id" ] || fail "oldreel clip.mp4 did not open the clip"
# The first frame follows a second after the open, taken out to the
# thumbnails folder; Play needs it.
waitfor '[ -s "$work/home/Documents/OldreelThumbnails/clip.mp4.bmp" ]' ||
    fail "the clip's first frame was not taken"
waitfor '[ -z "$(children)" ]' || fail "the first frame's transcoder did not end"
timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null || fail "the window took no focus"
xdotool key space
waitfor '[ -n "$(children)" ]' || fail "Space started no decoder"
decoder=$(children | head -1)

"$xclose" Oldreel || fail "could not ask the window to close"
waitfor '! kill -0 "$app" 2>/dev/null' || fail "still running 10 s after the close"
wait "$app"; status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
if kill -0 "$decoder" 2>/dev/null; then fail "the decoder ($decoder) outlived the window"; fi
echo "oldreel FILE opened the clip, Space played it, closing while playing ended with status 0"
