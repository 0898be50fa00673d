#!/usr/bin/env bash
# One command for every figure: start-up to the first shown window and the
# resident memory at idle of the real program under Xvfb (next to two typing
# tutors from Debian, started the same way), then the in-process benchmarks.
# Usage: bench/report.sh [runs]   (installs what it needs, builds Release)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${1:-5}"
BUILD_DIR="$ROOT/build-release"
source "$ROOT/scripts/setup.sh"
BUILD_DIR="$ROOT/build-release"
install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}" klavaro ktouch
build Release -DSHURENCHO_TESTS=OFF -DSHURENCHO_BENCH=ON >/dev/null

WORK="$(mktemp -d)"
cp "$BUILD_DIR/src/shurencho" "$WORK/"
cp -r "$ROOT/assets/." "$WORK/"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
XVFB=$!
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$WORK/display")" SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$WORK/config" HOME="$WORK"
unset QT_QPA_PLATFORM

# Prints "milliseconds-to-window rss-kib" for one start of the command.
measure() {
  # Xvfb has no window manager: the first visible window is the program's.
  local start end pid win=""
  start=$(date +%s%N)
  (cd "$WORK" && exec "$@") >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    win="$(xdotool search --onlyvisible --class "." 2>/dev/null | head -1 || true)"
    [ -n "$win" ] && break
    sleep 0.01
  done
  end=$(date +%s%N)
  sleep 2
  local rss
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ -n "$win" ] || { echo "nan nan"; return; }
  echo "$(( (end - start) / 1000000 )) $rss"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }

declare -A START RSS
for prog in shurencho klavaro ktouch; do
  case $prog in
    shurencho) cmd=("$WORK/shurencho") ;;
    klavaro) cmd=(klavaro) ;;
    ktouch) cmd=(ktouch) ;;
  esac
  command -v "${cmd[0]}" >/dev/null 2>&1 || { START[$prog]=nan; RSS[$prog]=nan; continue; }
  measure "${cmd[@]}" >/dev/null  # warm the file cache
  results=()
  for _ in $(seq "$RUNS"); do results+=("$(measure "${cmd[@]}")"); done
  START[$prog]=$(printf '%s\n' "${results[@]}" | awk '{print $1}' | median)
  RSS[$prog]=$(printf '%s\n' "${results[@]}" | awk '{print $2}' | median)
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a == a + 0) printf "%.2f", a / b; else print "n/a" }'; }
echo
echo "| program | start-up to first window (ms, median of $RUNS) | RSS at idle (MiB) | start-up vs shurencho | RSS vs shurencho |"
echo "|---|---|---|---|---|"
for prog in shurencho klavaro ktouch; do
  mib=$(awk -v k="${RSS[$prog]}" 'BEGIN { if (k == k + 0) printf "%.1f", k / 1024; else print "n/a" }')
  echo "| $prog | ${START[$prog]} | $mib | $(ratio "${START[$prog]}" "${START[shurencho]}") | $(ratio "${RSS[$prog]}" "${RSS[shurencho]}") |"
done
echo
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/shurencho_bench" --benchmark_min_time=0.2
