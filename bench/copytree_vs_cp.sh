#!/usr/bin/env bash
# "dovex-cli copy" of a tree against "cp -r" of the same tree, whole
# processes in turn, each into a fresh directory (nothing deleted until the
# end); medians and the median of the pair ratios. The tree: FILES small
# files (default 3,000, 1 byte to 16 KiB) in DIRS directories (default 30),
# side by side, or with CHAIN=1 each inside the one before.
# Usage: bench/copytree_vs_cp.sh [BUILD_DIR] (RUNS=pairs, BENCH_DIR=/path/on/disk)
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(realpath "$build/src/dovex-cli")"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }
source bench/support/pairs.sh

work=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 - "$work/src/tree" "${FILES:-3000}" "${DIRS:-30}" "${CHAIN:-0}" <<'PY'
import os, random, sys
root, files, dirs, chain = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4] == "1"
rnd = random.Random(7)
block = os.urandom(16384)
def directory(d):
    return os.path.join(root, *["d%03d" % k for k in range(d + 1)]) if chain else \
        os.path.join(root, "d%03d" % d)
for d in range(dirs):
    os.makedirs(directory(d))
for f in range(files):
    with open(os.path.join(directory(f % dirs), "f%05d.dat" % f), "wb") as out:
        out.write(block[: rnd.randint(1, 16384)])
PY
export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"
mkdir -p "$work/home"
n=0
fresh='n=$((n + 1)); mkdir "$work/o$n"; sync'
pairs "copy $((${FILES:-3000})) small files" "$fresh" \
  '"$cli" copy "C:\\src\\tree" "C:\\o$n"' 'cp -r "$work/src/tree" "$work/o$n/"' "cp -r"
diff -r "$work/src/tree" "$work/o1/tree" >/dev/null || echo "warning: the copied tree differs" >&2
