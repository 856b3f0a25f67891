#!/usr/bin/env bash
# The internal zip against "zip -r -6" and "unzip" on one tree of 3,000 files
# (about 200 MB, a third random bytes, the rest text): median wall times and
# ratios. Usage: bench/zipmaster_vs_zip.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
mb=${2:-200}
bench="$build/bench/bench_zipmaster"
[ -x "$bench" ] || { echo "no $bench: build bench_zipmaster first" >&2; exit 2; }

work=$(mktemp -d)
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

median() { # command...: median wall seconds of 5 runs
  local times=()
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    times+=("$(echo "$e - $s" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 3p
}
zip_run() { rm -f "$work/z.zip"; (cd "$work/tree" && zip -q -r -6 ../z.zip .); }
# A fresh directory each run, as the benchmark does (ext4 creates files slowly
# where thousands were just deleted).
runs=0
unzip_run() { runs=$((runs + 1)); unzip -q "$work/z.zip" -d "$work/u$runs"; }

zip_s=$(median zip_run)
unzip_s=$(median unzip_run)
rm -rf "$work"/u*
json=$(DOVEX_BENCH_TREE="$work/tree" "$bench" --benchmark_format=json --benchmark_repetitions=3 \
       --benchmark_report_aggregates_only=true 2>/dev/null)
pick() { echo "$json" | python3 -c "import json,sys
for b in json.load(sys.stdin)['benchmarks']:
    if b['name'].startswith('$1') and b.get('aggregate_name') == 'median': print(b['real_time'] / 1000)"; }
add_s=$(pick BM_ZipMasterAdd)
extract_s=$(pick BM_ZipMasterExtract)
printf 'add     internal %.3f s   zip -r -6 %.3f s   ratio %.2f\n' "$add_s" "$zip_s" "$(echo "$add_s / $zip_s" | bc -l)"
printf 'extract internal %.3f s   unzip     %.3f s   ratio %.2f\n' "$extract_s" "$unzip_s" "$(echo "$extract_s / $unzip_s" | bc -l)"
