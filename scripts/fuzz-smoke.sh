#!/usr/bin/env bash
# Builds the archive reader fuzz targets with clang and runs each for a short
# while from a corpus seeded with real archives. Exits non-zero when a target
# finds a crash, a leak, a hang or runs out of memory.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${DOVEX_FUZZ_BUILD_DIR:-fuzz-build}
seconds=${FUZZ_SECONDS:-20}
targets=(fuzz_zip fuzz_arj fuzz_rar fuzz_lha fuzz_pak fuzz_zoo fuzz_level fuzz_regprop fuzz_profile)

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
seed() { command -v "$1" >/dev/null 2>&1 && (cd "$work/tree" && "${@:2}") >/dev/null 2>&1 || true; }
files=(a.txt sub/b.txt sub/deep/c.dat)
seed zip zip -q -r ../seeds/dirs.zip a.txt sub
seed zip sh -c 'zip -q - a.txt sub/b.txt | cat > ../seeds/piped.zip'
seed arj arj a -y ../seeds/m1.arj "${files[@]}"
seed arj arj a -y -m4 ../seeds/m4.arj "${files[@]}"
for level in 0 1 2; do
  seed lha lha "a$level" "../seeds/l$level.lzh" "${files[@]}"
done
seed arc arc a ../seeds/t.arc "${files[@]}"
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
    *) echo "*" ;;
  esac
}

failed=()
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  mkdir -p "$corpus"
  pattern=$(corpus_for "$t")
  find "$work/seeds" -maxdepth 1 -type f -name "$pattern" -exec cp {} "$corpus/" \;
  echo "== $t (${seconds}s, $(ls "$corpus" | wc -l) seeds)"
  if ! "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=5 \
      -max_len=16384 -print_final_stats=0 -artifact_prefix="$work/artifacts/$t-" \
      "$corpus" >"$work/$t.log" 2>&1; then
    tail -n 40 "$work/$t.log"
    failed+=("$t")
  else
    grep -E "^Done|#[0-9]+.*DONE" "$work/$t.log" | tail -n 1 || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz-smoke: failures in ${failed[*]}; inputs in $work/artifacts" >&2
  exit 1
fi
echo "fuzz-smoke: all ${#targets[@]} targets ran clean"
