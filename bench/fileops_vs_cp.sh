#!/usr/bin/env bash
# Compares `dovex-cli copy` with `cp -r` and `dovex-cli delete` with `rm -r`
# on the same data, as whole processes: one 1 GiB file, and a tree of 10,000
# files of 1 to 64 KiB in 100 directories. Prints the median of several runs
# of each and their ratio (goals: the 1 GiB copy within 1.0x of cp, the
# delete within 1.0x of rm -r, on the machine's disk: BENCH_DIR=/path/on/disk).
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-5}
dir=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/src/tree" "$dir/src/big"
head -c $((1024 * 1024 * 1024)) /dev/urandom > "$dir/src/big/one.bin"
python3 - "$dir/src/tree" <<'PY'
import os, random, sys
random.seed(7)
root = sys.argv[1]
block = os.urandom(65536)
for d in range(100):
    sub = os.path.join(root, "d%03d" % d)
    os.makedirs(sub)
    for f in range(100):
        with open(os.path.join(sub, "f%03d.dat" % f), "wb") as out:
            out.write(block[: random.randint(1, 64) * 1024])
PY
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
      if [ $which = a ]; then eval "$ours" > /dev/null; else eval "$theirs" > /dev/null; fi
      t1=$(date +%s%N)
      if [ $which = a ]; then a+=($(( (t1 - t0) / 1000 ))); else b+=($(( (t1 - t0) / 1000 ))); fi
    done
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}
report() {
  echo "$1: dovex-cli ${2} us   $3 ${4} us   ratio: $(awk -v a="$2" -v b="$4" 'BEGIN{printf "%.2f", a/b}')"
}
clean='rm -rf "$dir/dst"; mkdir "$dir/dst"'
read -r ours theirs < <(compare "$clean" "\"$cli\" copy 'C:\\src\\big\\one.bin' 'C:\\dst'" \
  'cp -r "$dir/src/big/one.bin" "$dir/dst/"')
report "copy 1 GiB file" "$ours" "cp -r" "$theirs"
read -r ours theirs < <(compare "$clean" "\"$cli\" copy 'C:\\src\\tree' 'C:\\dst'" \
  'cp -r "$dir/src/tree" "$dir/dst/"')
report "copy 10,000 files" "$ours" "cp -r" "$theirs"
fill='rm -rf "$dir/dst"; mkdir "$dir/dst"; cp -r "$dir/src/tree" "$dir/dst/"'
read -r ours theirs < <(compare "$fill" "\"$cli\" delete 'C:\\dst\\tree'" 'rm -r "$dir/dst/tree"')
report "delete 10,000 files" "$ours" "rm -r" "$theirs"
