#!/usr/bin/env bash
# In a real window on a virtual display, as a user would with the keyboard:
# opens a clip through the Open panel, starts an export through the folder
# panel, and while the export's transcoder runs, closes the window as a window
# manager would. The application must end with status 0 and its transcoder
# must be gone.
# Usage: close_during_export.sh OLDREEL XCLOSE
set -u
oldreel=$1 xclose=$2
work=$(mktemp -d)
trap 'kill "$app" "$xvfb" 2>/dev/null; [ -s "$work/pid" ] && kill -9 "$(cat "$work/pid")" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/log" 2>/dev/null; exit 1; }
command -v xdotool >/dev/null || fail "xdotool is missing"

# The application finds its transcoder beside it: a wrapper that runs the real
# one, except for the export's first step, which it turns into a long run.
mkdir -p "$work/app/resources" "$work/home" "$work/out"
cp "$oldreel" "$work/app/oldreel"
cat > "$work/app/resources/ffmpeg" <<SCRIPT
#!/bin/sh
for last; do :; done
case "\$last" in
  */audio.wav) echo \$\$ > "$work/pid"; exec sleep 60 ;;
esac
exec "$(command -v ffmpeg)" "\$@"
SCRIPT
chmod +x "$work/app/resources/ffmpeg"
ffmpeg -v error -nostdin -f lavfi -i testsrc=size=320x240:rate=25:duration=3 \
    -pix_fmt yuv420p "$work/clip.mp4" || fail "could not make the clip"

. "$(dirname "$0")/virtual_display.sh"
start_virtual_display

HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=xcb \
    "$work/app/oldreel" >"$work/log" 2>&1 &
app=$!

# Waits up to 10 s for a condition.
waitfor() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }
# Waits up to 10 s for a shown window named $1 and for the keyboard focus on it.
focus() {
    id=$(timeout 10 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null
}

focus "^Oldreel$" || fail "no window titled Oldreel"
xdotool key ctrl+o
focus "^Open Video$" || fail "Ctrl+O showed no Open panel"
xdotool type --delay 5 "$work/clip.mp4"
xdotool key Return
# A second after the open the first frame is taken out to the thumbnails folder.
waitfor '[ -s "$work/home/Documents/OldreelThumbnails/clip.mp4.bmp" ]' ||
    fail "the clip's first frame was not taken"
focus "^Oldreel .* clip.mp4$" || fail "the clip did not open"
xdotool key ctrl+s
focus "^Select an output folder" || fail "Ctrl+S showed no folder panel"
xdotool type --delay 5 "$work/out"
xdotool key Return
waitfor '[ -s "$work/pid" ]' || fail "the export's first step did not start"
child=$(cat "$work/pid")

"$xclose" Oldreel || fail "could not ask the window to close"
waitfor '! kill -0 "$app" 2>/dev/null' || fail "still running 10 s after the close"
wait "$app"; status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
if kill -0 "$child" 2>/dev/null; then fail "the transcoder ($child) outlived the window"; fi
echo "closed during the export with status 0; the transcoder was stopped"
