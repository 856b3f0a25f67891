#!/usr/bin/env bash
# Times "dovex-cli archive" against "unzip -l" and "lsar" on one zip of 20,000
# members in 200 directories, as whole processes, and prints the medians and
# their ratios. Usage: bench/archive_vs_unzip.sh [BUILD_DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cli="$build/src/dovex-cli"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree"
(
  cd "$work/tree"
  for d in $(seq -w 0 199); do
    mkdir "dir$d"
    (cd "dir$d" && for f in $(seq -w 0 99); do echo "$d $f" >"file$f.txt"; done)
  done
  zip -q -r -D ../large.zip .
)
zipfile="$work/large.zip"
# A host path: dovex-cli finds its drive letter through the usual drive map.
"$cli" archive "$zipfile" >/dev/null

median() { # command...: median wall time in seconds of 15 runs
  if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --warmup 3 --runs 15 --export-json "$work/h.json" "$*" >/dev/null 2>&1 ||
      hyperfine --warmup 3 --runs 15 --export-json "$work/h.json" "$*" >/dev/null
    jq '.results[0].median' "$work/h.json" 2>/dev/null ||
      python3 -c 'import json,sys;print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$work/h.json"
  else
    local times=()
    for _ in $(seq 15); do
      local s e
      s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
      times+=("$(echo "$e - $s" | bc -l)")
    done
    printf '%s\n' "${times[@]}" | sort -g | sed -n 8p
  fi
}

dovex=$(median "$cli" archive "$zipfile")
unzip=$(median unzip -l "$zipfile")
printf '%-28s %8.1f ms\n' "dovex-cli archive (root)" "$(echo "$dovex * 1000" | bc -l)"
printf '%-28s %8.1f ms   dovex/unzip = %.2fx\n' "unzip -l" "$(echo "$unzip * 1000" | bc -l)" \
  "$(echo "$dovex / $unzip" | bc -l)"
if command -v lsar >/dev/null 2>&1; then
  lsar=$(median lsar "$zipfile")
  printf '%-28s %8.1f ms   dovex/lsar  = %.2fx\n' "lsar" "$(echo "$lsar * 1000" | bc -l)" \
    "$(echo "$dovex / $lsar" | bc -l)"
fi
