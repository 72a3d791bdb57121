#!/usr/bin/env bash
# Peak memory of a whole process tree (the program and every transcoder it
# runs): the sum of their resident sizes, sampled every 50 ms, for
#   render 4K    oldreel-render on a 1-s 3840x2160 30-fps clip with sound
#   render cap   oldreel-render on 10 frames of 8192x4392, the largest picture it opens
#   window 4K    the window's whole export of a 2-s 3840x2160 clip (bench_export_whole)
# The look is the renderer's default (grain on), so the encoder is tuned for grain.
#
# usage: bench/peak_memory.sh [BUILD_DIR]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }
cmake --build "$build" --target oldreel-render bench_export_whole >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

make_clip() { # size rate seconds name
  ffmpeg -nostdin -y -loglevel error -f lavfi -i "testsrc2=size=$1:rate=$2:duration=$3" \
    -f lavfi -i "sine=frequency=440:duration=$3" -c:v libx264 -preset ultrafast -crf 16 \
    -pix_fmt yuv420p -shortest "$work/$4"
}

tree() { echo "$1"; for child in $(pgrep -P "$1"); do tree "$child"; done; }

# Runs a command and prints its tree's peak summed resident size in MB.
peak() {
  "$@" >/dev/null 2>"$work/errors" &
  local root=$! top=0 sum rss
  while kill -0 "$root" 2>/dev/null; do
    sum=0
    for p in $(tree "$root"); do
      rss=$(awk '/^VmRSS/{print $2}' "/proc/$p/status" 2>/dev/null || true)
      sum=$((sum + ${rss:-0}))
    done
    [ "$sum" -gt "$top" ] && top=$sum
    sleep 0.05
  done
  wait "$root" || { echo "failed: $*" >&2; cat "$work/errors" >&2; exit 1; }
  echo $((top / 1024))
}

make_clip 3840x2160 30 1 uhd.mp4
make_clip 8192x4392 10 1 cap.mp4
make_clip 3840x2160 30 2 window.mp4
mkdir "$work/out"
echo "render_4k_mb=$(peak "$build/oldreel-render" -q --overwrite -o "$work/out" "$work/uhd.mp4") (budget 1024)"
echo "render_cap_mb=$(peak "$build/oldreel-render" -q --overwrite -o "$work/out" "$work/cap.mp4") (budget 2560)"
echo "window_4k_mb=$(QT_QPA_PLATFORM=offscreen peak "$build/bench/bench_export_whole" "$work/window.mp4" 30 2) (budget 1536)"
echo "date=$(date -u +%Y-%m-%dT%H:%MZ) commit=$(git -C "$here" rev-parse --short HEAD)"
