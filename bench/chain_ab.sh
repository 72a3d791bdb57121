#!/usr/bin/env bash
# The effect chain of two builds, timed in turns on the same machine in one
# run: ROUNDS rounds, each running bench_filters_vintage of the first build
# and then of the second (five repetitions each). Prints, per case, the median
# of the rounds' medians for each build and the ratio first/second.
#
# Two-thread wall times on a small shared machine move by a tenth from one
# run to the next; taking the builds in turns keeps that drift out of the
# ratio, and --threads 1 (single-thread times, steadier) is passed on when given.
#
# usage: bench/chain_ab.sh OLD_BUILD NEW_BUILD [ROUNDS] [--threads 1]
set -euo pipefail

old=${1:?usage: chain_ab.sh OLD_BUILD NEW_BUILD [ROUNDS] [--threads 1]}
new=${2:?usage: chain_ab.sh OLD_BUILD NEW_BUILD [ROUNDS] [--threads 1]}
rounds=${3:-3}
shift $(( $# < 3 ? $# : 3 ))
extra=("$@")
for build in "$old" "$new"; do
    [ -x "$build/bench/bench_filters_vintage" ] || { echo "build $build/bench/bench_filters_vintage first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for round in $(seq "$rounds"); do
    for side in old new; do
        build=$old
        [ "$side" = new ] && build=$new
        # "name value unit" for each case's median
        "$build/bench/bench_filters_vintage" "${extra[@]}" --benchmark_repetitions=5 \
            --benchmark_report_aggregates_only=true 2>/dev/null |
            awk '/_median/ { sub(/\/real_time_median/, "", $1); print $1, $2, $3 }' >>"$work/$side"
    done
done

# The median of the rounds' medians, in the unit the benchmark printed.
median() { # file case
    awk -v c="$2" '$1 == c { print $2 }' "$1" | sort -g | awk '{ v[NR] = $1 } END {
        if (NR == 0) { print "-"; exit }
        print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo "old: $old"
echo "new: $new"
echo "rounds: $rounds ${extra[*]:-}"
printf '%-28s %12s %12s %8s\n' case old new old/new
for c in $(awk '{ print $1 }' "$work/new" | awk '!seen[$0]++'); do
    unit=$(awk -v c="$c" '$1 == c { print $3; exit }' "$work/new")
    a=$(median "$work/old" "$c")
    b=$(median "$work/new" "$c")
    ratio=$(awk -v a="$a" -v b="$b" 'BEGIN { if (a == "-" || b == 0) print "-"; else printf "%.2f", a / b }')
    printf '%-28s %9s %-2s %9s %-2s %8s\n' "$c" "$a" "$unit" "$b" "$unit" "$ratio"
done
