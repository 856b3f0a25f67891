#!/usr/bin/env bash
# The internal zip against "zip -r -6" and "unzip" on one tree of 3,000 files
# (about 200 MB, a third random bytes, the rest text), as whole processes:
# "dovex-cli compress --level 6" and "dovex-cli decompress" (the Compression
# Tools' Zip (internal)) alternate with zip and unzip, five runs each; median
# wall times and ratios. Usage: bench/zipmaster_vs_zip.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
mb=${2:-200}
cli="$build/src/dovex-cli"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }

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

export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"
mkdir -p "$work/home"

# Runs alternate, so that both sides meet the same disk state; nothing is
# deleted until the end but the archive a run replaces (ext4 creates inodes
# slowly for minutes after thousands were deleted, which would weigh on
# whichever side came next).
declare -a zip_t dovex_add_t unzip_t dovex_ext_t
elapsed() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1 || echo "failed: $*" >&2; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
zip_run() { rm -f "$work/z.zip"; (cd "$work/tree" && zip -q -r -6 ../z.zip .); }
dovex_add() { rm -f "$work/d.zip"; "$cli" compress 'C:\tree\*' --to 'C:\d' --subdirs --level 6; }
for i in 1 2 3 4 5; do
  zip_t+=("$(elapsed zip_run)")
  dovex_add_t+=("$(elapsed dovex_add)")
done
for i in 1 2 3 4 5; do
  unzip_t+=("$(elapsed unzip -q "$work/z.zip" -d "$work/u$i")")
  mkdir -p "$work/x$i"
  dovex_ext_t+=("$(elapsed "$cli" decompress 'C:\z.zip' "C:\\x$i" --subdirs)")
done
median() { printf '%s\n' "$@" | sort -g | sed -n 3p; }
diff -r "$work/tree" "$work/x1" >/dev/null || echo "warning: the extracted tree differs" >&2
zip_s=$(median "${zip_t[@]}"); add_s=$(median "${dovex_add_t[@]}")
unzip_s=$(median "${unzip_t[@]}"); extract_s=$(median "${dovex_ext_t[@]}")
printf 'add     dovex-cli %.3f s   zip -r -6 %.3f s   ratio %.2f\n' "$add_s" "$zip_s" "$(echo "$add_s / $zip_s" | bc -l)"
printf 'extract dovex-cli %.3f s   unzip     %.3f s   ratio %.2f\n' "$extract_s" "$unzip_s" "$(echo "$extract_s / $unzip_s" | bc -l)"
