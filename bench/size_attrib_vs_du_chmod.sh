#!/usr/bin/env bash
# Compares `dovex-cli size` with `du -sb` on a tree of 100,000 files (1,000
# directories of 100), and `dovex-cli attrib +R/-R --subdirs` with
# `chmod -R u-w`/`u+w` on a tree of 10,000 files (100 of 100), as whole
# processes in turn, warm cache. Prints the median of several runs of each
# and their ratio (goals: size within 1.0x of du -sb, attrib within 1.5x of
# chmod -R).
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-7}
dir=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
python3 - "$dir" <<'PY'
import os, sys
root = sys.argv[1]
for name, dirs in (("big", 1000), ("small", 100)):
    for d in range(dirs):
        sub = os.path.join(root, name, "d%02d" % (d % 10), "d%04d" % d)
        os.makedirs(sub)
        for f in range(100):
            with open(os.path.join(sub, "f%03d.dat" % f), "wb") as out:
                out.write(b"x" * (f * 37 % 4096))
PY
export DOVEX_DRIVES="C=$dir"
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# compare PREPARE_A "OURS" PREPARE_B "THEIRS": runs the two in turn (each
# preparation untimed, before its command) and prints the two medians in
# microseconds.
compare() {
  local prep_a=$1 ours=$2 prep_b=$3 theirs=$4 a=() b=()
  for _ in $(seq "$runs"); do
    for which in a b; do
      local t0 t1
      if [ $which = a ]; then
        eval "$prep_a"; t0=$(date +%s%N); eval "$ours" > /dev/null; t1=$(date +%s%N)
        a+=($(( (t1 - t0) / 1000 )))
      else
        eval "$prep_b"; t0=$(date +%s%N); eval "$theirs" > /dev/null; t1=$(date +%s%N)
        b+=($(( (t1 - t0) / 1000 )))
      fi
    done
  done
  echo "$(printf '%s\n' "${a[@]}" | median) $(printf '%s\n' "${b[@]}" | median)"
}
report() {
  echo "$1: dovex-cli ${2} us   $3 ${4} us   ratio: $(awk -v a="$2" -v b="$4" 'BEGIN{printf "%.2f", a/b}')"
}
du -sb "$dir/big" > /dev/null # warm the cache
read -r ours theirs < <(compare : "\"$cli\" size 'C:\\big'" : "du -sb \"$dir/big\"")
report "size of 100,000 files" "$ours" "du -sb" "$theirs"
# Each side starts from writable files and makes them read-only, then the
# other way round.
writable='chmod -R u+w "$dir/small"'
readonly_='chmod -R u+w "$dir/small"; find "$dir/small" -type f -exec chmod u-w {} +'
read -r ours theirs < <(compare "$writable" "\"$cli\" attrib 'C:\\small' +R --subdirs" \
  "$writable" "chmod -R u-w \"$dir/small\"")
report "attrib +R on 10,000 files" "$ours" "chmod -R u-w" "$theirs"
read -r ours theirs < <(compare "$readonly_" "\"$cli\" attrib 'C:\\small' -R --subdirs" \
  "$readonly_" "chmod -R u+w \"$dir/small\"")
report "attrib -R on 10,000 files" "$ours" "chmod -R u+w" "$theirs"
