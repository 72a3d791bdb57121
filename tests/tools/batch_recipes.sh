#!/usr/bin/env bash
# The README's recipes for one folder over many machines, run as written: the
# GNU parallel one with two slots on this machine, then again (every result
# is skipped, its bytes and time untouched), then with a clip that cannot be
# rendered (parallel exits non-zero); and the Slurm array's script, task by
# task, as Slurm would run it.
# Usage: batch_recipes.sh OLDREEL_RENDER README
set -u
render=$1 readme=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/log" 2>/dev/null; exit 1; }
command -v parallel >/dev/null || fail "GNU parallel is missing (Debian's package parallel)"

# An indented block of the README: from the line that starts with $1 to the
# first that matches $2.
block() {
    awk -v first="    $1" -v last="$2" \
        'index($0, first) == 1 { on = 1 } on { print substr($0, 5) } on && $0 ~ last { exit }' \
        "$readme"
}
recipe=$(block "find clips" '[{][}]$')
sbatch=$(block "#!/bin/bash" '^    exec ')
[ -n "$recipe" ] || fail "no parallel recipe in $readme"
[ -n "$sbatch" ] || fail "no Slurm script in $readme"

mkdir -p "$work/bin" "$work/clips" "$work/out"
ln -s "$render" "$work/bin/oldreel-render"
export PATH="$work/bin:$PATH"
cd "$work" || exit 1
for n in 1 2 3; do
    ffmpeg -v error -nostdin -f lavfi -i "testsrc=size=64x48:rate=10:duration=1" \
        -pix_fmt yuv420p "clips/clip$n.mov" || fail "could not make clip $n"
done
echo "2/:" > nodes.txt

bash -c "$recipe" >log 2>&1 || fail "the parallel recipe failed"
results() { stat -c '%n %s %y' out/*.mp4; md5sum out/*.mp4; }
[ "$(ls out)" = "$(printf 'clip1.mp4\nclip2.mp4\nclip3.mp4')" ] || fail "results: $(ls -A out)"
before=$(results)

bash -c "$recipe" >log 2>&1 || fail "the parallel recipe failed when run again"
for n in 1 2 3; do
    grep -q "skipped clips/clip$n.mov: its result out/clip$n.mp4 is there" log ||
        fail "clip$n was not skipped"
done
[ "$(results)" = "$before" ] || fail "a result changed when run again"

echo "no moving pictures" > clips/broken.mov
bash -c "$recipe" >log 2>&1 && fail "a clip that fails gave parallel exit status 0"
grep -q "clips/broken.mov: not a video ffmpeg can read" log || fail "no message for broken.mov"
[ "$(results)" = "$before" ] || fail "a result changed beside a failing clip"

# Slurm runs the script once per task in the submitting folder; sorted, task
# 0 is broken.mov.
printf '%s\n' "$sbatch" > render.sbatch
SLURM_ARRAY_TASK_ID=0 bash render.sbatch >log 2>&1 && fail "the task of broken.mov succeeded"
for task in 1 2 3; do
    SLURM_ARRAY_TASK_ID=$task bash render.sbatch >log 2>&1 || fail "Slurm task $task failed"
    grep -q "skipped clips/clip$task.mov: its result" log || fail "Slurm task $task was not skipped"
done
[ "$(results)" = "$before" ] || fail "a result changed under the Slurm script"
echo "PASS"
