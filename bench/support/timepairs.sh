# Sourced by the benchmark scripts: times two commands as whole processes in
# turn (A B A B ...), each after its own untimed preparation, and prints the
# median time of each in microseconds and the median of the pair-by-pair
# ratios A/B (on a noisy machine the ratio of one pair, taken close together,
# moves less than either time).
#
#   timepairs RUNS PREPARE_A COMMAND_A PREPARE_B COMMAND_B   ->  "A_US B_US RATIO"
#
# The clock is bash's own (EPOCHREALTIME), so no process is started to read it.

timepairs_elapsed() { # PREPARE COMMAND -> microseconds of COMMAND
  eval "$1"
  local t0=${EPOCHREALTIME/./}
  eval "$2" > /dev/null
  local t1=${EPOCHREALTIME/./}
  echo $((t1 - t0))
}

timepairs_median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

timepairs() {
  local runs=$1 a=() b=() r=() x y
  for _ in $(seq "$runs"); do
    x=$(timepairs_elapsed "$2" "$3")
    y=$(timepairs_elapsed "$4" "$5")
    a+=("$x") b+=("$y")
    r+=("$(awk -v x="$x" -v y="$y" 'BEGIN{printf "%.4f", x/y}')")
  done
  echo "$(printf '%s\n' "${a[@]}" | timepairs_median)" \
       "$(printf '%s\n' "${b[@]}" | timepairs_median)" \
       "$(printf '%s\n' "${r[@]}" | timepairs_median)"
}
