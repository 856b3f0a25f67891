#!/usr/bin/env bash
# "dovex-cli decompress" of a tar.gz against "tar -xzf", whole processes in
# turn, each into a fresh directory (nothing deleted until the end); medians
# and the median of the pair ratios. The archive: DIRS directories (default
# 200) of FILES small files each (default 100). With RANDOM_KB=n every file
# is n KiB of random bytes instead of one short line.
# Usage: bench/tarextract_vs_tar.sh [BUILD_DIR] (RUNS=pairs, BENCH_DIR=/path/on/disk)
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(realpath "$build/src/dovex-cli")"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }
source bench/support/pairs.sh

work=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree" "$work/home"
(
  cd "$work/tree"
  for d in $(seq -w 0 $((${DIRS:-200} - 1))); do
    mkdir "dir$d"
    for f in $(seq -w 0 $((${FILES:-100} - 1))); do
      if [ -n "${RANDOM_KB:-}" ]; then
        head -c $((RANDOM_KB * 1024)) /dev/urandom >"dir$d/file$f.bin"
      else
        echo "$d $f" >"dir$d/file$f.txt"
      fi
    done
  done
)
tar -czf "$work/large.tar.gz" -C "$work/tree" .
export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"
n=0
fresh='n=$((n + 1)); mkdir "$work/o$n"'
pairs "extract tar.gz" "$fresh" \
  '"$cli" decompress "C:\\large.tar.gz" "C:\\o$n" --subdirs' 'tar -xzf "$work/large.tar.gz" -C "$work/o$n"' "tar -xzf"
diff -r "$work/tree" "$work/o1" >/dev/null || echo "warning: the extracted tree differs" >&2
