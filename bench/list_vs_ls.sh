#!/usr/bin/env bash
# Compares `dovex-cli list` with `ls -la` on the same directory of 2048
# entries (1000 directories, 1047 files and ".."), as whole processes:
# the median of several runs of each, printed with their ratio.
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-31}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/big"
for i in $(seq -w 0 999); do mkdir "$dir/big/dir$i"; done
for i in $(seq -w 0 1046); do head -c $((10#$i % 97)) /dev/zero > "$dir/big/file$i.txt"; done

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
export DOVEX_DRIVES="C=$dir"
ours=$(time_runs "$cli" list 'C:\big')
theirs=$(time_runs ls -la "$dir/big")
echo "dovex-cli list: ${ours} us   ls -la: ${theirs} us   ratio: $(awk -v a="$ours" -v b="$theirs" 'BEGIN{printf "%.2f", a/b}')"
