# Sourced by the comparison scripts: runs two commands as whole processes in
# turn (A B A B ...), so that both meet the same state of a noisy machine,
# and reports the median of each side and the median of the pair-by-pair
# ratios, which moves far less with the load than a ratio of medians.
#
# pairs LABEL PREPARE OURS THEIRS [THEIR-NAME]: PREPARE (untimed, eval'd)
# runs before each command; OURS and THEIRS are eval'd. RUNS pairs (default
# 11). Prints one line; the last ratio goes to $pair_ratio.
pairs() {
  local label=$1 prepare=$2 ours=$3 theirs=$4 name=${5:-other} a=() b=() r=()
  local i t0 t1 ta tb
  for i in $(seq "${RUNS:-11}"); do
    eval "$prepare"
    t0=$(date +%s%N); eval "$ours" >/dev/null 2>&1 || echo "failed: $ours" >&2; t1=$(date +%s%N)
    ta=$(( (t1 - t0) / 1000 ))
    eval "$prepare"
    t0=$(date +%s%N); eval "$theirs" >/dev/null 2>&1 || echo "failed: $theirs" >&2; t1=$(date +%s%N)
    tb=$(( (t1 - t0) / 1000 ))
    a+=("$ta"); b+=("$tb"); r+=("$(awk -v x="$ta" -v y="$tb" 'BEGIN{printf "%.4f", x/y}')")
  done
  local med='sort -g | awk "{v[NR]=\$1} END {print v[int((NR+1)/2)]}"'
  local ma mb
  ma=$(printf '%s\n' "${a[@]}" | eval "$med")
  mb=$(printf '%s\n' "${b[@]}" | eval "$med")
  pair_ratio=$(printf '%s\n' "${r[@]}" | eval "$med")
  local lo hi
  lo=$(printf '%s\n' "${r[@]}" | sort -g | head -1)
  hi=$(printf '%s\n' "${r[@]}" | sort -g | tail -1)
  printf '%-36s dovex-cli %8.1f ms   %s %8.1f ms   ratio %.2f (%.2f..%.2f, %d pairs)\n' \
    "$label" "$(awk -v x="$ma" 'BEGIN{print x/1000}')" "$name" \
    "$(awk -v x="$mb" 'BEGIN{print x/1000}')" "$pair_ratio" "$lo" "$hi" "${RUNS:-11}"
}
