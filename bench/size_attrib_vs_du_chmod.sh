#!/usr/bin/env bash
# Compares `dovex-cli size` with `du -sb` on a tree of 100,000 files (1,000
# directories of 100), and `dovex-cli attrib +R/-R --subdirs` with
# `chmod -R u-w`/`u+w` on a tree of 10,000 files (100 of 100), as whole
# processes in turn, warm cache. Prints the median of several runs of each
# and the median of the pair-by-pair ratios (goals: size within 1.0x of
# du -sb, attrib within 1.0x of chmod -R).
set -euo pipefail
cli=${1:-build/src/dovex-cli}
runs=${RUNS:-7}
dir=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'chmod -R u+w "$dir" 2>/dev/null; rm -rf "$dir"' EXIT
# ONLY=attrib leaves out the size comparison and its 100,000 files.
only=${ONLY:-all}
python3 - "$dir" "$only" <<'PY'
import os, sys
root = sys.argv[1]
trees = (("small", 100),) if sys.argv[2] == "attrib" else (("big", 1000), ("small", 100))
for name, dirs in trees:
    for d in range(dirs):
        sub = os.path.join(root, name, "d%02d" % (d % 10), "d%04d" % d)
        os.makedirs(sub)
        for f in range(100):
            with open(os.path.join(sub, "f%03d.dat" % f), "wb") as out:
                out.write(b"x" * (f * 37 % 4096))
PY
export DOVEX_DRIVES="C=$dir"
source "$(dirname "$0")/support/timepairs.sh"
# compare PREPARE_A "OURS" PREPARE_B "THEIRS": the two in turn, each after its
# untimed preparation; the medians in microseconds and of the pair ratios.
compare() { timepairs "$runs" "$@"; }
report() {
  echo "$1: dovex-cli ${2} us   $3 ${4} us   ratio (median of pairs): $5"
}
if [ "$only" != attrib ]; then
  du -sb "$dir/big" > /dev/null # warm the cache
  read -r ours theirs ratio < <(compare : "\"$cli\" size 'C:\\big'" : "du -sb \"$dir/big\"")
  report "size of 100,000 files" "$ours" "du -sb" "$theirs" "$ratio"
fi
# Each side starts from writable files and makes them read-only, then the
# other way round.
writable='chmod -R u+w "$dir/small"'
readonly_='chmod -R u+w "$dir/small"; find "$dir/small" -type f -exec chmod u-w {} +'
read -r ours theirs ratio < <(compare "$writable" "\"$cli\" attrib 'C:\\small' +R --subdirs" \
  "$writable" "chmod -R u-w \"$dir/small\"")
report "attrib +R on 10,000 files" "$ours" "chmod -R u-w" "$theirs" "$ratio"
read -r ours theirs ratio < <(compare "$readonly_" "\"$cli\" attrib 'C:\\small' -R --subdirs" \
  "$readonly_" "chmod -R u+w \"$dir/small\"")
report "attrib -R on 10,000 files" "$ours" "chmod -R u+w" "$theirs" "$ratio"
