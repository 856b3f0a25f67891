#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while from a
# corpus seeded with real archives. Exits non-zero when a target finds a
# crash, a leak, a hang or runs out of memory, or does not end in time.
#
# Every run is bounded: the sanitizer keeps a small quarantine (its default
# of 256 MB alone would pass the 512 MB limit), nothing is symbolized while
# fuzzing (the symbolizer is a child process that can stall a dying target),
# and each target runs under timeout, so a stuck one fails in minutes with a
# line that names it. A failing input is run once more, symbolized and under
# a timeout of its own, to print its report.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${DOVEX_FUZZ_BUILD_DIR:-fuzz-build}
seconds=${FUZZ_SECONDS:-20}
rss_limit_mb=${FUZZ_RSS_LIMIT_MB:-512}
# libFuzzer stops itself after $seconds; this is for a target that does not.
deadline=$((seconds + 60))
targets=(fuzz_zip fuzz_arj fuzz_rar fuzz_lha fuzz_pak fuzz_zoo fuzz_level fuzz_regprop fuzz_profile
         fuzz_szdd fuzz_shelllink fuzz_libarchive)

sanitizer_base="quarantine_size_mb=32:thread_local_quarantine_size_kb=256:malloc_context_size=8"
sanitizer_base+=":max_free_fill_size=0:detect_leaks=1:abort_on_error=0:handle_abort=1"
export ASAN_OPTIONS="$sanitizer_base:symbolize=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:symbolize=0"
export LSAN_OPTIONS="symbolize=0"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DDOVEX_FUZZ=ON -DDOVEX_TESTS=OFF -DDOVEX_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_all

work="$build/fuzz-run"
rm -rf "$work"
mkdir -p "$work/tree/sub/deep" "$work/seeds" "$work/artifacts"
printf 'hello\n' >"$work/tree/a.txt"
seq 1 800 >"$work/tree/sub/b.txt"
head -c 300 /dev/zero | tr '\0' c >"$work/tree/sub/deep/c.dat"

# Seeds made by the archivers that are installed, plus the stored samples.
# Each archiver gets a minute: one that waits for input must not stop CI.
seed() {
  command -v "$1" >/dev/null 2>&1 &&
    (cd "$work/tree" && timeout --kill-after=5 60 "${@:2}" </dev/null) >/dev/null 2>&1 || true
}
files=(a.txt sub/b.txt sub/deep/c.dat)
seed zip zip -q -r ../seeds/dirs.zip a.txt sub
seed zip sh -c 'zip -q - a.txt sub/b.txt | cat > ../seeds/piped.zip'
seed arj arj a -y ../seeds/m1.arj "${files[@]}"
seed arj arj a -y -m4 ../seeds/m4.arj "${files[@]}"
for level in 0 1 2; do
  seed lha lha "a$level" "../seeds/l$level.lzh" "${files[@]}"
done
seed arc arc a ../seeds/t.arc "${files[@]}"
seed tar tar -czf ../seeds/la-t.tgz "${files[@]}"
seed tar tar --zstd -cf ../seeds/la-t.tzst "${files[@]}"
seed tar tar -cf ../seeds/la-t.tar "${files[@]}"
seed 7zz 7zz a -bso0 ../seeds/la-t.7z "${files[@]}"
seed xorriso xorriso -as mkisofs -quiet -R -J -o ../seeds/la-t.iso .
seed cpio sh -c 'find . | cpio -o -H newc --quiet > ../seeds/la-t.cpio'
seed mscompress sh -c 'cp sub/b.txt ../seeds/b.txt && mscompress ../seeds/b.txt && rm -f ../seeds/b.txt'
cp tests/archive/fixtures/* fuzz/seeds/* "$work/seeds/"
printf '[Panels]\nDir1=C:\\\nCharacters=16\n[Settings]\nStatusBar=1\n' >"$work/seeds/a.ini"

corpus_for() {
  case "$1" in
    fuzz_zip) echo "*.zip" ;;
    fuzz_arj) echo "*.arj" ;;
    fuzz_rar) echo "*.rar" ;;
    fuzz_lha) echo "*.lzh" ;;
    fuzz_pak) echo "*.arc" ;;
    fuzz_zoo) echo "*.zoo" ;;
    fuzz_regprop) echo "*.dat" ;;
    fuzz_profile) echo "*.ini" ;;
    fuzz_szdd) echo "*_" ;;
    fuzz_shelllink) echo "*.lnk" ;;
    fuzz_libarchive) echo "la-*" ;;
    *) echo "*" ;;
  esac
}

# Runs one failing input again with symbols, bounded, for the report.
report_input() {
  local target=$1 input=$2
  echo "-- $target on $(basename "$input") ($(wc -c <"$input") bytes), symbolized:"
  ASAN_OPTIONS="$sanitizer_base:symbolize=1" UBSAN_OPTIONS="print_stacktrace=1:symbolize=1" \
    LSAN_OPTIONS="symbolize=1" \
    timeout --kill-after=10 120 "$build/fuzz/$target" -rss_limit_mb="$rss_limit_mb" \
    -timeout=10 "$input" 2>&1 | tail -n 60 || true
}

failed=()
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  mkdir -p "$corpus"
  pattern=$(corpus_for "$t")
  find "$work/seeds" -maxdepth 1 -type f -name "$pattern" -exec cp {} "$corpus/" \;
  echo "== $t (${seconds}s, $(ls "$corpus" | wc -l) seeds)"
  status=0
  timeout --kill-after=10 "$deadline" "$build/fuzz/$t" -max_total_time="$seconds" \
    -rss_limit_mb="$rss_limit_mb" -timeout=5 -max_len=16384 -print_final_stats=0 \
    -artifact_prefix="$work/artifacts/$t-" "$corpus" >"$work/$t.log" 2>&1 || status=$?
  if [ "$status" -eq 0 ]; then
    grep -E "^Done|#[0-9]+.*DONE" "$work/$t.log" | tail -n 1 || true
    continue
  fi
  failed+=("$t")
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "fuzz-smoke: $t did not end within ${deadline}s and was killed (exit $status)" >&2
  else
    echo "fuzz-smoke: $t failed (exit $status)" >&2
  fi
  tail -n 40 "$work/$t.log"
  for input in "$work/artifacts/$t-"crash-* "$work/artifacts/$t-"leak-*; do
    if [ -f "$input" ]; then
      report_input "$t" "$input"
    fi
  done
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz-smoke: failures in ${failed[*]}; inputs in $work/artifacts" >&2
  exit 1
fi
echo "fuzz-smoke: all ${#targets[@]} targets ran clean"
