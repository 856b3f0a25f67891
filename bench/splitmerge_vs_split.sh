#!/usr/bin/env bash
# Compares `dovex-cli split` with `split -b` (the same cut size) and
# `dovex-cli merge` with `cat` of the parts, as whole processes on one 1 GiB
# file: merge of a set made by `split -b` (no check file, so the kernel moves
# the bytes) and of a set with its check file (the CRC-32 is computed too).
# Prints the median of several alternating runs and the ratios (goals: split
# within 1.1x of split, merge within 1.1x of cat; on the machine's disk:
# BENCH_DIR=/path/on/disk).
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-5}
dir=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/src" "$dir/plain" "$dir/checked" "$dir/out"
head -c $((${BENCH_MB:-1024} * 1024 * 1024)) /dev/urandom > "$dir/src/one.bin"
# 1420 KB: parts of 1,458,176 bytes, the cut size `split -b` is given.
cut=1458176
export DOVEX_DRIVES="C=$dir"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# compare PREPARE "OURS" "THEIRS": runs the two commands in turn (PREPARE,
# untimed, before each), so that both meet the same state of the machine,
# and prints the two medians in microseconds.
compare() {
  local prepare=$1 ours=$2 theirs=$3 a=() b=()
  for _ in $(seq "$runs"); do
    for which in a b; do
      eval "$prepare"
      sync
      local t0 t1
      t0=$(date +%s%N)
      if [ $which = a ]; then eval "$ours" > /dev/null 2>&1; else eval "$theirs" > /dev/null; fi
      t1=$(date +%s%N)
      if [ $which = a ]; then a+=($(( (t1 - t0) / 1000 ))); else b+=($(( (t1 - t0) / 1000 ))); fi
    done
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}
report() {
  echo "$1: dovex-cli ${2} us   $3 ${4} us   ratio: $(awk -v a="$2" -v b="$4" 'BEGIN{printf "%.2f", a/b}')"
}

clean='rm -f "$dir"/src/one.[0-9]* "$dir"/src/one.crc "$dir"/src/x.*'
read -r ours theirs < <(compare "$clean" "\"$cli\" split 'C:\\src\\one.bin' --size 1420" \
  'split -b $cut -d -a 3 --numeric-suffixes=1 "$dir/src/one.bin" "$dir/src/x."')
report "split 1 GiB at 1420 KB" "$ours" "split -b" "$theirs"

# The same parts twice: as `split -b` leaves them, and with the check file
# a Dovex split writes beside them.
split -b $cut -d -a 3 --numeric-suffixes=1 "$dir/src/one.bin" "$dir/plain/one."
cp "$dir"/plain/one.* "$dir/checked/"
"$cli" split 'C:\src\one.bin' --size 1420 --overwrite=all > /dev/null
cp "$dir/src/one.crc" "$dir/checked/"
cmp <(cat "$dir"/plain/one.*) "$dir/src/one.bin"
empty='rm -f "$dir/out/one.bin"'
read -r ours theirs < <(compare "$empty" "\"$cli\" merge 'C:\\plain\\one.001' --to 'C:\\out\\one.bin'" \
  'cat "$dir"/plain/one.* > "$dir/out/one.bin"')
report "merge 737 parts, no check file" "$ours" "cat" "$theirs"
read -r ours theirs < <(compare "$empty" "\"$cli\" merge 'C:\\checked\\one.001' --to 'C:\\out\\one.bin'" \
  'cat "$dir"/checked/one.[0-9]* > "$dir/out/one.bin"')
report "merge 737 parts with check file" "$ours" "cat" "$theirs"
"$cli" merge 'C:\checked\one.001' --to 'C:\out\one.bin' --overwrite=all > /dev/null 2>&1
cmp "$dir/out/one.bin" "$dir/src/one.bin"
