#!/usr/bin/env bash
# oldreel-render against its alternatives on one 10-s 1080p 30-fps clip with
# sound, every gate of the look on, all in one run:
#   floor   ffmpeg decoding and encoding the clip with the same H.264 and AAC
#           settings and no filter (what no renderer can beat)
#   graph   ffmpeg with the comparable filter graph of compare_ffmpeg.sh,
#           end to end with the same encoder settings
#   ours    oldreel-render
#   encode  ffmpeg decoding ours's result and encoding it again with the same
#           settings: a grainy picture costs x264 far more than the clean
#           source, so this is the floor for a picture that carries the look
#   plain   oldreel-render with its default look (no grain)
#   clean   ffmpeg decoding and encoding the clip with the default look's
#           settings (no -tune grain) and no filter: the floor for plain
# The two ratios that matter: ours / encode (target <= 1.15) and plain /
# clean (target <= 1.3): what the renderer costs above its encoder's own time.
# Each runs RUNS times, interleaved, so the machine's load falls on all alike;
# medians of the wall times and the medians of the per-run ratios are printed.
# Then the peak memory (/usr/bin/time -v) of ours on that clip and on one 4x
# longer, and unless --no-export, one whole export of the same clip through
# the window (bench_export_whole) for its ratio.
#
# usage: bench/render_vs.sh [BUILD_DIR] [RUNS] [--no-export]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-3}
export_too=yes
[ "${3:-}" = "--no-export" ] && export_too=no
render="$build/oldreel-render"
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time (package time) not found" >&2; exit 1; }
cmake --build "$build" --target oldreel-render >/dev/null
[ "$export_too" = yes ] && cmake --build "$build" --target bench_export_whole >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_clip() { # seconds path
    ffmpeg -nostdin -y -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=$1" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$1" \
        -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -c:a aac "$2"
}
clip=$work/clip.mov
long=$work/long.mov
make_clip 10 "$clip"
make_clip 40 "$long"

# The H.264 options of every MP4 Oldreel writes, with grain (media::h264QualityArguments);
# the check below compares the encoder's own record of them in both files.
encoder=(-c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -movflags +faststart -tune grain -c:a aac)
clean_encoder=(-c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -movflags +faststart -c:a aac)
graph="colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131,eq=brightness=0.02:contrast=1.1:saturation=0.9:gamma=0.9,vignette,noise=alls=20:allf=t+u"
every_gate=(--set chrome=on --set instant=on --set process=on --set sepia=on --set vignette=on
            --set gamma=on --set exposure=on --set grain=on --set light=on)

# Appends "wall_s peak_kb own_kb" to $work/NAME: the wall time, the peak
# resident memory of the largest process of the run (GNU time's figure: for
# oldreel-render often its encoding ffmpeg child) and, for oldreel-render, the
# peak of its own process alone (VmHWM, read until it ends).
timed() { # name command...
    local name=$1 pid own=0 hwm
    shift
    /usr/bin/time -f '%e %M' -o "$work/$name.one" "$@" >/dev/null 2>"$work/$name.err" &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
        for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
            if [ "$(cat /proc/"$child"/comm 2>/dev/null)" = oldreel-render ]; then
                hwm=$(awk '/^VmHWM/ {print $2}' /proc/"$child"/status 2>/dev/null || echo 0)
                [ -n "$hwm" ] && [ "$hwm" -gt "$own" ] && own=$hwm
            fi
        done
        sleep 0.2
    done
    wait "$pid" || { echo "$name failed:" >&2; cat "$work/$name.err" >&2; exit 1; }
    echo "$(cat "$work/$name.one") $own" >> "$work/$name"
}
median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
column() { awk -v c="$1" '{print $c}' "$2"; }

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for run in $(seq "$runs"); do
    timed floor ffmpeg -nostdin -y -loglevel error -i "$clip" -map 0:v:0 -map 0:a:0 "${encoder[@]}" "$work/floor.mp4"
    timed graph ffmpeg -nostdin -y -loglevel error -i "$clip" -map 0:v:0 -map 0:a:0 -vf "$graph" "${encoder[@]}" "$work/graph.mp4"
    timed ours "$render" -q --overwrite "${every_gate[@]}" -o "$work" "$clip"
    f=$(tail -1 "$work/floor" | cut -d' ' -f1)
    g=$(tail -1 "$work/graph" | cut -d' ' -f1)
    o=$(tail -1 "$work/ours" | cut -d' ' -f1)
    timed encode ffmpeg -nostdin -y -loglevel error -i "$work/clip.mp4" -map 0:v:0 -map 0:a:0 "${encoder[@]}" "$work/encode.mp4"
    e=$(tail -1 "$work/encode" | cut -d' ' -f1)
    mv "$work/clip.mp4" "$work/gates.mp4"
    timed clean ffmpeg -nostdin -y -loglevel error -i "$clip" -map 0:v:0 -map 0:a:0 "${clean_encoder[@]}" "$work/clean.mp4"
    timed plain "$render" -q --overwrite -o "$work" "$clip"
    c=$(tail -1 "$work/clean" | cut -d' ' -f1)
    p=$(tail -1 "$work/plain" | cut -d' ' -f1)
    echo "$p / $c" | bc -l >> "$work/ratio_plain"
    echo "$o / $f" | bc -l >> "$work/ratio_floor"
    echo "$o / $e" | bc -l >> "$work/ratio_encode"
    echo "$o / $g" | bc -l >> "$work/ratio_graph"
    printf 'run %d: floor %.2f s, ffmpeg graph %.2f s, oldreel-render %.2f s, encoding its result again %.2f s; default look %.2f s, clean re-encode %.2f s (load %s)\n' \
        "$run" "$f" "$g" "$o" "$e" "$p" "$c" "$(cut -d' ' -f1 /proc/loadavg)"
done

settings() { strings "$1" | grep -o 'x264 - core.*' | head -1 | sed 's/ threads=[^ ]*//; s/ lookahead_threads=[^ ]*//'; }
same() { # name ffmpeg's ours
    if [ "$(settings "$2")" = "$(settings "$3")" ]; then
        echo "encoder settings: the same in $1"
    else
        echo "encoder settings DIFFER in $1: ffmpeg '$(settings "$2")' ours '$(settings "$3")'"
    fi
}
same "the floor's, the re-encode's and ours" "$work/floor.mp4" "$work/gates.mp4"
same "the re-encode's and ours" "$work/encode.mp4" "$work/gates.mp4"
same "the clean re-encode's and the default look's" "$work/clean.mp4" "$work/clip.mp4"
frames=$(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$work/gates.mp4")

fm=$(column 1 "$work/floor" | median)
gm=$(column 1 "$work/graph" | median)
om=$(column 1 "$work/ours" | median)
printf 'clip: 10 s 1920x1080 30 fps with sound (%s frames out), runs: %d\n' "$frames" "$runs"
printf 'median wall: floor %.2f s, ffmpeg graph %.2f s, oldreel-render %.2f s (%.1f fps)\n' \
    "$fm" "$gm" "$om" "$(echo "$frames / $om" | bc -l)"
printf 'median ratio oldreel-render / floor: %.2f\n' "$(median < "$work/ratio_floor")"
printf 'median wall: encoding its result again %.2f s; default look %.2f s, clean re-encode %.2f s\n' \
    "$(column 1 "$work/encode" | median)" "$(column 1 "$work/plain" | median)" "$(column 1 "$work/clean" | median)"
printf 'median ratio oldreel-render (every gate) / encoding its own result again: %.2f (target <= 1.15)\n' "$(median < "$work/ratio_encode")"
printf 'median ratio oldreel-render (default look) / clean re-encode of the source: %.2f (target <= 1.3)\n' "$(median < "$work/ratio_plain")"
printf 'median ratio oldreel-render / ffmpeg graph: %.2f (target < 1)\n' "$(median < "$work/ratio_graph")"
printf 'peak memory, 10-s clip: oldreel-render itself %d MB, largest process of its run %d MB (floor %d MB, graph %d MB)\n' \
    "$(( $(column 3 "$work/ours" | sort -n | tail -1) / 1024 ))" \
    "$(( $(column 2 "$work/ours" | sort -n | tail -1) / 1024 ))" \
    "$(( $(column 2 "$work/floor" | sort -n | tail -1) / 1024 ))" \
    "$(( $(column 2 "$work/graph" | sort -n | tail -1) / 1024 ))"
timed long "$render" -q --overwrite "${every_gate[@]}" -o "$work" "$long"
printf 'peak memory, 40-s clip: oldreel-render itself %d MB, largest process of its run %d MB (%.2f s)\n' \
    "$(( $(column 3 "$work/long") / 1024 ))" "$(( $(column 2 "$work/long") / 1024 ))" "$(column 1 "$work/long")"

if [ "$export_too" = yes ]; then
    # The window's export of the same clip (its default look), timed as
    # bench_export_whole.sh does; ours is timed right after it for the ratio.
    line=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_export_whole" "$clip" 30 10)
    whole=$(echo "$line" | sed -n 's/.*whole_s=\([0-9.]*\).*/\1/p')
    timed after "$render" -q --overwrite -o "$work" "$clip"
    a=$(column 1 "$work/after")
    printf 'window export: %s\n' "$line"
    printf 'window export %.2f s, oldreel-render (same default look) %.2f s: ratio export / oldreel-render %.1f\n' \
        "$whole" "$a" "$(echo "$whole / $a" | bc -l)"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg); date=$(date -u +%Y-%m-%dT%H:%MZ) commit=$(git -C "$here" rev-parse --short HEAD)"
