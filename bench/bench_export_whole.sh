#!/bin/sh
# A whole export of a 10-s 640x360 25-fps clip with sound against its floor
# (one 0.1-s tick per frame plus the transcoder runs alone), as a ratio.
#   bench/bench_export_whole.sh [BUILD_DIR] [RUNS]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-export}
runs=${2:-3}
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }
cmake --build "$build" --target bench_export_whole -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.mov
ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=size=640x360:rate=25:duration=10 \
  -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 -pix_fmt yuv420p -shortest "$clip"
i=0
while [ "$i" -lt "$runs" ]; do
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_export_whole" "$clip" 25 10 | tee -a "$work/results"
  i=$((i + 1))
done
# Medians of the whole time, the floor and the ratio.
for key in whole_s floor_s ratio; do
  sed -n "s/.*$key=\([0-9.]*\).*/\1/p" "$work/results" | sort -n |
    awk -v k="$key" '{v[NR]=$1} END {m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "median %s=%s\n", k, m}'
done
echo "date=$(date -u +%Y-%m-%dT%H:%MZ) commit=$(git -C "$here" rev-parse --short HEAD) load=$(cut -d' ' -f1-3 /proc/loadavg)"
