#!/usr/bin/env bash
# Time from starting the program to its main window being on the screen,
# with 40 custom buttons defined (each pointing at a real program, a folder
# or a document, so that every button loads an icon), against none. Runs
# under its own Xvfb; median of 11 starts each.
# Usage: bench/startup.sh [BUILD_DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build}
app="$PWD/$build/src/dovex"
[ -x "$app" ] || { echo "no $app: build dovex first" >&2; exit 2; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
  { echo "needs Xvfb and xdotool" >&2; exit 2; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
mkdir -p "$work/c/dir" "$work/home" "$work/none" "$work/forty"
echo text > "$work/c/dir/readme.txt"
for w in none forty; do printf '[Settings]\nShowIntro=0\nToolsSeek=1\n' > "$work/$w/Dovex.Ini"; done
for n in $(seq 1 40); do
  case $((n % 3)) in
    0) cmd='/usr/bin/env' ;;
    1) cmd='C:\dir' ;;
    *) cmd='C:\dir\readme.txt' ;;
  esac
  printf '[Button%d]\nCommand=%s\nParameter=\nDirectory=C:\\\nAction=\nIcon=%s\nText=Button %d\n' \
    "$n" "$cmd" "$cmd" "$n" >> "$work/forty/Dovex.Ini"
done

start_once() { # windows dir: milliseconds until the window is mapped
  local s e pid
  s=$(date +%s%N)
  DISPLAY=$display DOVEX_DRIVES="C=$work/c" DOVEX_WINDIR="$1" DOVEX_HOME="$work/home" \
    "$app" >/dev/null 2>&1 &
  pid=$!
  # xdotool's own --sync waits half a second between looks; this looks often.
  until DISPLAY=$display xdotool search --onlyvisible --name "32-Bit Shell" >/dev/null 2>&1; do
    sleep 0.005
  done
  e=$(date +%s%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo $(((e - s) / 1000000))
}
median() { local w=$1 t=(); for _ in $(seq 11); do t+=("$(start_once "$w")"); done
           printf '%s\n' "${t[@]}" | sort -n | sed -n 6p; }
none=$(median "$work/none")
forty=$(median "$work/forty")
echo "window shown: no custom buttons ${none} ms, 40 custom buttons ${forty} ms"
