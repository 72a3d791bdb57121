#!/usr/bin/env bash
# Side by side, on the same 1080p frames in one run: ffmpeg's own filter graph
# for a similar old-film look, and our chain with every gate on.
#
# ffmpeg's cost per frame = (run with the graph - the same run without it) / frames.
# Ours = the chain alone per frame (bench_filters_vintage --frames), frames already
# decoded in memory. Each side runs RUNS times; medians are printed, and the ratio.
#
# usage: bench/compare_ffmpeg.sh [BUILD_DIR] [FRAMES] [RUNS]
set -euo pipefail

build=${1:-build-filters}
frames=${2:-100}
runs=${3:-3}
bench="$build/bench/bench_filters_vintage"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
raw="$work/frames.rgba"
w=1920 h=1080
ffmpeg -v error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v "$frames" \
    -pix_fmt rgba -f rawvideo "$raw"

input=(-v error -f rawvideo -pix_fmt rgba -s "${w}x${h}" -r 25 -i "$raw")
graph="colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,eq=brightness=0.02:contrast=1.1:saturation=0.9:gamma=0.9,vignette,noise=alls=20:allf=t+u"

seconds() { # command... -> wall seconds
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

ffmpeg_ms=()
ours_ms=()
for run in $(seq "$runs"); do
    with=$(seconds ffmpeg "${input[@]}" -vf "$graph" -f null -)
    without=$(seconds ffmpeg "${input[@]}" -f null -)
    ffmpeg_ms+=("$(echo "($with - $without) * 1000 / $frames" | bc -l)")
    ours_ms+=("$("$bench" --frames "$raw" "$w" "$h" 1 2>/dev/null)")
    printf 'run %d: ffmpeg graph %.2f ms/frame, our chain %.2f ms/frame\n' "$run" "${ffmpeg_ms[-1]}" "${ours_ms[-1]}"
done

f=$(printf '%s\n' "${ffmpeg_ms[@]}" | median)
o=$(printf '%s\n' "${ours_ms[@]}" | median)
echo "machine: $(nproc) cores; both sides use their default threading on it"
printf 'frames: %d at %dx%d (testsrc2), runs: %d\n' "$frames" "$w" "$h" "$runs"
printf 'ffmpeg graph (%s): median %.2f ms/frame\n' "$graph" "$f"
printf 'our chain, every gate on: median %.2f ms/frame\n' "$o"
printf 'ratio ours/ffmpeg: %.2f\n' "$(echo "$o / $f" | bc -l)"
