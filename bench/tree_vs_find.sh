#!/usr/bin/env bash
# Compares `dovex-cli tree` with `find DIR -type d` on a drive of 20,000
# directories (200 at the top, 20 below each, 4 below each of those: 20,200 in all), as
# whole processes: the median of several runs of each, printed with their
# ratio. Both list every directory once; dovex-cli also sorts each level
# and prints drive-letter paths.
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-15}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/c"
(
  cd "$dir/c"
  for a in $(seq -w 0 199); do
    for b in $(seq -w 0 19); do
      mkdir -p "top$a/mid$b/"{w,x,y,z}
    done
  done
)
count=$(find "$dir/c" -mindepth 1 -type d | wc -l)

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_runs() {
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" > /dev/null
    t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000 ))
  done | median
}
export DOVEX_DRIVES="C=$dir/c"
lines=$("$cli" tree C | wc -l)
[ "$lines" -eq "$count" ] || { echo "dovex-cli tree listed $lines of $count directories" >&2; exit 1; }
ours=$(time_runs "$cli" tree C)
theirs=$(time_runs find "$dir/c" -type d)
echo "$count directories   dovex-cli tree: ${ours} us   find -type d: ${theirs} us   ratio: $(awk -v a="$ours" -v b="$theirs" 'BEGIN{printf "%.2f", a/b}')"
