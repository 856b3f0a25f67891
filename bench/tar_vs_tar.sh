#!/usr/bin/env bash
# Times "dovex-cli archive" (the root level) of a tar.gz and a tar.zst of
# 20,000 members in 200 directories against "tar -tzf", "tar -t --zstd -f"
# and "7zz l", and "dovex-cli decompress" of the tar.gz against "tar -xzf",
# as whole processes; prints the medians and their ratios.
# Usage: bench/tar_vs_tar.sh [BUILD_DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cli="$(realpath "$build/src/dovex-cli")"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree" "$work/home"
(
  cd "$work/tree"
  for d in $(seq -w 0 199); do
    mkdir "dir$d"
    (cd "dir$d" && for f in $(seq -w 0 99); do echo "$d $f" >"file$f.txt"; done)
  done
)
tar -czf "$work/large.tar.gz" -C "$work/tree" .
tar --zstd -cf "$work/large.tar.zst" -C "$work/tree" .
export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"

median() { # command...: median wall time in seconds of 11 runs
  local times=()
  for _ in $(seq 11); do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    times+=("$(echo "$e - $s" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 6p
}
row() { # label seconds [against-label against-seconds]
  if [ $# -gt 2 ]; then
    printf '%-34s %8.1f ms   dovex/%s = %.2fx\n' "$1" "$(echo "$2 * 1000" | bc -l)" "$3" \
      "$(echo "$4 / $2" | bc -l)"
  else
    printf '%-34s %8.1f ms\n' "$1" "$(echo "$2 * 1000" | bc -l)"
  fi
}

gz=$(median "$cli" archive 'C:\large.tar.gz')
row "dovex-cli archive large.tar.gz" "$gz"
row "tar -tzf" "$(median tar -tzf "$work/large.tar.gz")" "tar" "$gz"
if command -v 7zz >/dev/null 2>&1; then
  row "7zz l large.tar.gz" "$(median 7zz l "$work/large.tar.gz")" "7zz" "$gz"
fi
zst=$(median "$cli" archive 'C:\large.tar.zst')
row "dovex-cli archive large.tar.zst" "$zst"
row "tar -t --zstd -f" "$(median tar -t --zstd -f "$work/large.tar.zst")" "tar" "$zst"

# Extraction: each run into a fresh directory, nothing deleted meanwhile.
n=0
dovex_x() { n=$((n + 1)); mkdir "$work/dx$n"; "$cli" decompress 'C:\large.tar.gz' "C:\\dx$n" --subdirs; }
tar_x() { n=$((n + 1)); mkdir "$work/tx$n"; tar -xzf "$work/large.tar.gz" -C "$work/tx$n"; }
dx=$(median dovex_x)
row "dovex-cli decompress large.tar.gz" "$dx"
row "tar -xzf" "$(median tar_x)" "tar" "$dx"
