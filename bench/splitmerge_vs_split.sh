#!/usr/bin/env bash
# Compares `dovex-cli split` with `split -b` (the same cut size) and
# `dovex-cli merge` with `cat` of the parts, as whole processes on one 1 GiB
# file: merge of a set made by `split -b` (no check file, so the kernel moves
# the bytes) and of a set with its check file (the CRC-32 is computed too).
# Prints the median of several alternating runs and the ratios (goals: split
# within 1.1x of split, merge within 1.1x of cat; on the machine's disk:
# BENCH_DIR=/path/on/disk).
set -euo pipefail
cli=${1:-build/src/dovex-cli}
dir=$(mktemp -d "${BENCH_DIR:-/tmp}/dovex-bench.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/src" "$dir/plain" "$dir/checked" "$dir/out"
head -c $((${BENCH_MB:-1024} * 1024 * 1024)) /dev/urandom > "$dir/src/one.bin"
# 1420 KB: parts of 1,458,176 bytes, the cut size `split -b` is given.
cut=1458176
export DOVEX_DRIVES="C=$dir"
source "$(dirname "$0")/support/pairs.sh"
clean='rm -f "$dir"/src/one.[0-9]* "$dir"/src/one.crc "$dir"/src/x.*'
pairs "split at 1420 KB" "$clean; sync" "\"$cli\" split 'C:\\src\\one.bin' --size 1420" \
  'split -b $cut -d -a 3 --numeric-suffixes=1 "$dir/src/one.bin" "$dir/src/x."' "split -b"

# The same parts twice: as `split -b` leaves them, and with the check file
# a Dovex split writes beside them.
split -b $cut -d -a 3 --numeric-suffixes=1 "$dir/src/one.bin" "$dir/plain/one."
cp "$dir"/plain/one.* "$dir/checked/"
"$cli" split 'C:\src\one.bin' --size 1420 --overwrite=all > /dev/null
cp "$dir/src/one.crc" "$dir/checked/"
cmp <(cat "$dir"/plain/one.*) "$dir/src/one.bin"
empty='rm -f "$dir/out/one.bin"'
pairs "merge, no check file" "$empty; sync" "\"$cli\" merge 'C:\\plain\\one.001' --to 'C:\\out\\one.bin'" \
  'cat "$dir"/plain/one.* > "$dir/out/one.bin"' cat
pairs "merge with check file" "$empty; sync" "\"$cli\" merge 'C:\\checked\\one.001' --to 'C:\\out\\one.bin'" \
  'cat "$dir"/checked/one.[0-9]* > "$dir/out/one.bin"' cat
"$cli" merge 'C:\checked\one.001' --to 'C:\out\one.bin' --overwrite=all > /dev/null 2>&1
cmp "$dir/out/one.bin" "$dir/src/one.bin"
