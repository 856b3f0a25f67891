#!/usr/bin/env bash
# "dovex-cli decompress" of a zip (the internal zip component) against
# "unzip -q" on a tree of 3,000 files in 30 directories (MEGABYTES in all,
# default 50: a third random bytes, the rest text), whole processes in turn,
# each into a fresh directory; medians and the median of the pair ratios.
# Nothing is deleted until the end: ext4 creates inodes slowly for minutes
# after thousands were deleted, which would weigh on whichever side came
# next. Usage: bench/zipextract_vs_unzip.sh [BUILD_DIR] [MEGABYTES]
# (RUNS=pairs, BENCH_DIR=/path/on/disk)
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
mb=${2:-50}
cli="$(realpath "$build/src/dovex-cli")"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }
source bench/support/pairs.sh

work=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
python3 - "$work/tree" "$mb" <<'PY'
import os, sys, random
root, total = sys.argv[1], int(sys.argv[2]) << 20
rnd = random.Random(12345)
words = [b"int ", b"return ", b"value", b"(", b");\n", b"if ", b"else ", b"for ", b"    ", b"name",
         b"= ", b"const ", b"QString ", b"{\n", b"}\n", b"// the ", b"size", b"+ 1"]
sizes = [1 + rnd.randrange(1000) * (50 if i % 50 == 0 else 1) * (rnd.randrange(4) + 1) for i in range(3000)]
s = sum(sizes)
for d in range(30):
    os.makedirs(f"{root}/dir{d}", exist_ok=True)
for i, sz in enumerate(sizes):
    n = sz * total // s
    if i % 3 == 0:
        data = rnd.randbytes(n)
    else:
        parts, got = [], 0
        while got < n:
            w = words[rnd.randrange(18)]
            parts.append(w)
            got += len(w)
        data = b"".join(parts)[:n]
    with open(f"{root}/dir{i % 30}/file{i}.dat", "wb") as f:
        f.write(data)
PY
(cd "$work/tree" && zip -q -r -6 ../z.zip .)
export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"
mkdir -p "$work/home"

n=0
fresh='n=$((n + 1)); mkdir "$work/o$n"'
pairs "extract 3,000 files from a zip" "$fresh" \
  '"$cli" decompress "C:\\z.zip" "C:\\o$n" --subdirs' 'unzip -q "$work/z.zip" -d "$work/o$n"' unzip
diff -r "$work/tree" "$work/o1" >/dev/null || echo "warning: the extracted tree differs" >&2
