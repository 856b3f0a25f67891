#!/usr/bin/env bash
# Copying 500 files into an arj archive through dovex-cli (the window's path:
# the archive operation, the tool runner, the list file) against running
# "arj a -p1 -r -y" by hand on the same files (the command the window gives
# arj for a copy with subdirectories): whole processes, median wall time of 5.
# Usage: bench/archiveops_vs_arj.sh [BUILD_DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
cli="$build/src/dovex-cli"
[ -x "$cli" ] || { echo "no $cli: build dovex-cli first" >&2; exit 2; }
command -v arj >/dev/null || { echo "arj is not installed" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/home"
python3 - "$work/src" <<'PY'
import sys, random
rnd = random.Random(7)
for i in range(500):
    with open(f"{sys.argv[1]}/file{i:03}.txt", "wb") as f:
        f.write(bytes(rnd.randrange(32, 127) for _ in range(200 + rnd.randrange(8000))))
PY
export DOVEX_DRIVES="C=$work" DOVEX_HOME="$work/home"

median() { # command...: median wall seconds of 5 runs
  local times=()
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    times+=("$(echo "$e - $s" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 3p
}
# Each run starts from an archive holding one seed file, as the window's
# copy needs an archive to copy into.
seed() { rm -f "$work/t.arj"; (cd "$work" && echo seed > seed && arj a t.arj seed >/dev/null); }
names=$(cd "$work/src" && ls)
by_hand() { seed; (cd "$work/src" && printf '%s\n' $names > "$work/list" && arj a -p1 -r -y "$work/t.arj" "!$work/list"); }
# The operation runs in batches of 100 items: the same five arj runs by hand.
by_hand_batched() { seed; (cd "$work/src" && printf '%s\n' $names | split -l 100 - "$work/part." &&
  for l in "$work"/part.*; do arj a -p1 -r -y "$work/t.arj" "!$l" || exit 1; done; rm -f "$work"/part.*); }
through_cli() { seed; args=(); for n in $names; do args+=("C:\\src\\$n"); done; "$cli" copy "${args[@]}" 'C:\t.arj'; }

hand_s=$(median by_hand)
batched_s=$(median by_hand_batched)
cli_s=$(median through_cli)
printf 'arj a by hand, one run   %.3f s   dovex-cli copy %.3f s   ratio %.3f\n' "$hand_s" "$cli_s" "$(echo "$cli_s / $hand_s" | bc -l)"
printf 'arj a by hand, 5 batches %.3f s   dovex-cli copy %.3f s   ratio %.3f\n' "$batched_s" "$cli_s" "$(echo "$cli_s / $batched_s" | bc -l)"
