#!/usr/bin/env bash
# The window's memory: resident size (VmRSS) 3 s after the start of `dovex`,
# on a first start (an empty program directory and no "Dovex.Ini") and on a
# start with the program directory the first one set up, under a private
# Xvfb and with Qt's offscreen platform; the median of RUNS starts (5) each.
# Also prints the time until the window is on the screen (Xvfb only).
# Usage: bench/memory.sh [BUILD_DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
case $build in /*) ;; *) build="$PWD/$build" ;; esac
app="$build/src/dovex"
runs=${RUNS:-5}
[ -x "$app" ] || { echo "no $app: build dovex first" >&2; exit 2; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
  { echo "needs Xvfb and xdotool" >&2; exit 2; }

work=$(mktemp -d)
# A display no other server holds (several benchmarks may run at once).
n=$((70 + RANDOM % 20))
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=:$n
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
mkdir -p "$work/c/dir"
echo text > "$work/c/dir/readme.txt"

# start_once PLATFORM HOME WINDIR: "RSS_KB SHOWN_MS" (SHOWN_MS 0 offscreen)
start_once() {
  local s e=0 pid shown=0
  s=${EPOCHREALTIME/./}
  DISPLAY=$display QT_QPA_PLATFORM=$1 DOVEX_DRIVES="C=$work/c" DOVEX_HOME="$2" \
    DOVEX_WINDIR="$3" "$app" >/dev/null 2>&1 &
  pid=$!
  if [ "$1" = xcb ]; then
    until DISPLAY=$display xdotool search --onlyvisible --name "32-Bit Shell" >/dev/null 2>&1; do
      sleep 0.005
    done
    e=${EPOCHREALTIME/./}
    shown=$(((e - s) / 1000))
  fi
  sleep $(awk -v s="$s" -v n="${EPOCHREALTIME/./}" 'BEGIN{d=3-(n-s)/1e6; print (d>0 ? d : 0)}')
  local rss
  rss=$(awk '/^VmRSS/{print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$rss $shown"
}
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for platform in xcb offscreen; do
  first=() again=() shown=()
  for i in $(seq "$runs"); do
    home="$work/home-$platform-$i" windir="$work/win-$platform-$i"
    mkdir -p "$home" "$windir"
    read -r rss ms < <(start_once "$platform" "$home" "$windir")
    first+=("$rss")
    read -r rss ms < <(start_once "$platform" "$home" "$windir")
    again+=("$rss") shown+=("$ms")
  done
  printf '%s: first start %s KB, set up %s KB' "$platform" \
    "$(printf '%s\n' "${first[@]}" | median)" "$(printf '%s\n' "${again[@]}" | median)"
  if [ "$platform" = xcb ]; then
    printf ', window shown after %s ms' "$(printf '%s\n' "${shown[@]}" | median)"
  fi
  echo
done
