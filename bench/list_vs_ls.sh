#!/usr/bin/env bash
# Compares `dovex-cli list` with `ls -la` as whole processes in turn: on a
# directory of 2048 entries (1000 directories, 1047 files and ".."), and on
# an empty one, where the time is the program's own start. Prints the
# median times and the median of the pair-by-pair ratios.
# Usage: bench/list_vs_ls.sh [DOVEX_CLI]  (RUNS=31 by default)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/support/timepairs.sh"
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-31}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/big" "$dir/empty"
for i in $(seq -w 0 999); do mkdir "$dir/big/dir$i"; done
for i in $(seq -w 0 1046); do head -c $((10#$i % 97)) /dev/zero > "$dir/big/file$i.txt"; done
export DOVEX_DRIVES="C=$dir"

report() {
  read -r ours theirs ratio
  echo "$1: dovex-cli list ${ours} us   ls -la ${theirs} us   ratio ${ratio}"
}
timepairs "$runs" : "\"$cli\" list 'C:\\empty'" : "ls -la \"$dir/empty\"" | report "empty directory"
timepairs "$runs" : "\"$cli\" list 'C:\\big'" : "ls -la \"$dir/big\"" | report "2048 entries"
