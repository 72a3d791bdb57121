#!/usr/bin/env bash
# The renderer's codec choices on one grainy 1080p 30-fps clip (testsrc2
# through a preset with grain, by default 8: sepia with grain): each result's
# size, its PSNR against the look itself (the renderer's result encoded
# losslessly: --quality 0) and whether it keeps the grain: the standard
# deviation of the luma's high-pass (the picture less its Gaussian blur,
# sigma 1.5), beside the reference's.
#
# Each choice is encoded by ffmpeg from the lossless look with the options the
# renderer gives its encoder (media::videoEncoderArguments), so every codec
# gets the very same frames. Beside the defaults: AV1 at a higher CRF, and
# AV1 with SVT-AV1's film-grain synthesis (denoised, the grain drawn again by
# the decoder) at two levels, the choice an option would have offered.
#
# usage: bench/codec_choices.sh [BUILD_DIR] [SECONDS] [PRESET]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
duration=${2:-10}
preset=${3:-8}
render="$build/oldreel-render"
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }
cmake --build "$build" --target oldreel-render >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -y -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$duration" \
    -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p "$work/clip.mov"

# "Y_PSNR AVERAGE_PSNR" of $1 against $2.
psnr() {
    ffmpeg -nostdin -hide_banner -i "$1" -i "$2" -lavfi "[0:v][1:v]psnr" -f null - 2>&1 |
        sed -n 's/.*PSNR y:\([0-9.inf]*\).* average:\([0-9.inf]*\).*/\1 \2/p' | tail -1
}
# The standard deviation of the luma's high-pass: its PSNR against flat 128 is
# that of its mean square around 128.
grain() {
    local y
    y=$(ffmpeg -nostdin -hide_banner -i "$1" -filter_complex \
        "[0:v]format=yuv420p,split[a][b];[b]gblur=sigma=1.5[s];[a][s]blend=all_mode=grainextract,split[h][f];[f]lutyuv=y=128:u=128:v=128[g];[h][g]psnr" \
        -f null - 2>&1 | sed -n 's/.*PSNR y:\([0-9.]*\).*/\1/p' | tail -1)
    echo "255 / e(l(10) * $y / 20)" | bc -l
}
seconds() { /usr/bin/time -f %e -o "$work/time" "$@" >/dev/null 2>&1; cat "$work/time"; }

reference=$work/reference.mp4
t=$(seconds "$render" -q -p "$preset" --quality 0 --speed ultrafast -o "$work" "$work/clip.mov")
mv "$work/clip.mp4" "$reference"
printf 'clip: %s s 1920x1080 30 fps, preset %s; the look (x264 lossless) %.1f MB, grain %.2f, rendered in %.1f s\n' \
    "$duration" "$preset" "$(echo "$(stat -c %s "$reference") / 1000000" | bc -l)" "$(grain "$reference")" "$t"
printf '%-30s %8s %8s %7s %7s %6s %7s\n' choice MB Mbit/s "Y dB" "avg dB" grain "time s"

row() { # name encoder-options...
    local name=$1 out=$work/row.mp4 bytes p t
    shift
    t=$(seconds env SVT_LOG=1 ffmpeg -nostdin -y -loglevel error -i "$reference" "$@" "$out")
    bytes=$(stat -c %s "$out")
    p=$(psnr "$out" "$reference")
    printf '%-30s %8.2f %8.2f %7.2f %7.2f %6.2f %7.1f\n' "$name" "$(echo "$bytes / 1000000" | bc -l)" \
        "$(echo "$bytes * 8 / $duration / 1000000" | bc -l)" ${p% *} ${p#* } "$(grain "$out")" "$t"
}
tail=(-pix_fmt yuv420p -movflags +faststart)
row "h264 (default, CRF 18)" -c:v libx264 -preset medium -crf 18 "${tail[@]}" -tune grain
row "hevc (CRF 22)" -c:v libx265 -preset medium -crf 22 "${tail[@]}" -tag:v hvc1 -tune grain \
    -x265-params log-level=error
row "av1 (CRF 30)" -c:v libsvtav1 -preset 8 -crf 30 "${tail[@]}"
row "av1 CRF 40" -c:v libsvtav1 -preset 8 -crf 40 "${tail[@]}"
for level in 25 50; do
    row "av1 CRF 30 film-grain=$level" -c:v libsvtav1 -preset 8 -crf 30 "${tail[@]}" \
        -svtav1-params "film-grain=$level:film-grain-denoise=1"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg); date=$(date -u +%Y-%m-%dT%H:%MZ) commit=$(git -C "$here" rev-parse --short HEAD)"
