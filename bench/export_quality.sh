#!/bin/sh
# What an export keeps of the picture: a 3-s 720p clip with natural texture,
# exported through the real steps twice, and measured with ffmpeg's psnr filter.
#   neutral: every gate off (the chain changes no pixel); the MP4 against the source.
#   grain:   the default look with grain on; the MP4 against the frames that the
#            filtering step wrote, so only what the encoding lost is counted.
# Prints the PSNR (Y and average) and each MP4's size in bytes.
#   bench/export_quality.sh [BUILD_DIR]
# The clip is a photograph from Debian's mate-backgrounds package (fetched with
# apt-get download, unpacked here, not installed), with gentle grain of its own,
# slowly zoomed. Without the package, testsrc2 with gentle noise stands in.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }
cmake --build "$build" --target bench_export_quality -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/clip.mp4

photo=
if (cd "$work" && apt-get download mate-backgrounds >/dev/null 2>&1); then
  dpkg-deb -x "$work"/mate-backgrounds_*.deb "$work/pkg"
  photo=$work/pkg/usr/share/backgrounds/mate/nature/Wood.jpg
fi
if [ -n "$photo" ] && [ -f "$photo" ]; then
  source="photograph Wood.jpg (mate-backgrounds), zoomed"
  ffmpeg -nostdin -y -loglevel error -i "$photo" -vf noise=alls=4:all_seed=7 -frames:v 1 "$work/still.png"
  ffmpeg -nostdin -y -loglevel error -loop 1 -framerate 25 -i "$work/still.png" \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 \
    -filter_complex "[0]zoompan=z='1.6+0.003*on':x='iw/2-iw/zoom/2':y='ih/2-ih/zoom/2':d=1:s=1280x720:fps=25,format=yuv420p[v]" \
    -map '[v]' -map 1:a -t 3 -c:v libx264 -crf 14 -c:a aac "$clip"
else
  source="testsrc2 with gentle noise (no photograph to be had)"
  ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=1280x720:rate=25:duration=3 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 \
    -vf noise=alls=4:allf=t,format=yuv420p -c:v libx264 -crf 14 -c:a aac -shortest "$clip"
fi

# psnr A B: "y=… average=…" of A against B, both as yuv420p.
psnr() {
  ffmpeg -nostdin -i "$1" -i "$2" -lavfi '[0]format=yuv420p[a];[1]format=yuv420p[b];[a][b]psnr' \
    -f null - 2>&1 | sed -n 's/.*PSNR y:\([0-9.inf]*\).*average:\([0-9.inf]*\).*/y=\1 average=\2/p'
}
frames() {
  ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$1"
}

for look in neutral grain; do
  QT_QPA_PLATFORM=offscreen "$build/bench/bench_export_quality" "$clip" 25 3 "$look" "$work" \
    >/dev/null 2>"$work/$look.log" || { cat "$work/$look.log" >&2; exit 1; }
done
echo "clip: $source, 1280x720, 25 fps, 3 s, $(stat -c %s "$clip") bytes, $(frames "$clip") frames"
echo "neutral: $(psnr "$work/neutral.mp4" "$clip") dB against the source," \
  "bytes=$(stat -c %s "$work/neutral.mp4") frames=$(frames "$work/neutral.mp4")"
echo "grain: $(psnr "$work/grain.mp4" "$work/grain-frames/w_output_%08d.jpg") dB against the filtered frames," \
  "bytes=$(stat -c %s "$work/grain.mp4") frames=$(frames "$work/grain.mp4")"
echo "audio: $(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 "$work/neutral.mp4")" \
  "video: $(ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,pix_fmt -of csv=p=0 "$work/neutral.mp4")"
echo "date=$(date -u +%Y-%m-%dT%H:%MZ) commit=$(git -C "$here" rev-parse --short HEAD 2>/dev/null || echo none) load=$(cut -d' ' -f1-3 /proc/loadavg)"
