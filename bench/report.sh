#!/usr/bin/env bash
# One command for every figure: start-up to the first shown window and the
# resident memory at idle of the real program under Xvfb (next to a bare Qt
# window as the floor, started the same way), then the in-process benchmarks.
# Usage: bench/report.sh [runs]   (installs what it needs, builds Release)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
RUNS="${1:-8}"
BUILD_DIR="$ROOT/build-release"
source "$ROOT/scripts/setup.sh"
BUILD_DIR="$ROOT/build-release"
install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
build Release -DSHURENCHO_TESTS=OFF -DSHURENCHO_BENCH=ON >/dev/null

source "$ROOT/bench/bench_x.sh"
start_program_copy_on_xvfb
trap 'kill $XVFB 2>/dev/null; rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME="$WORK/config" HOME="$WORK"

# Prints "milliseconds-to-window rss-kib pss-kib private-kib" for one start of the command, with a
# fresh HOME (a kept one lets a program skip its first-run work). map_wait
# starts it and hears the X server map its first window: Xvfb has no window
# manager, so the first top-level window mapped is the program's.
measure() {
  local home out pid ms rss pss priv
  home="$(mktemp -d "$WORK/home.XXXXXX")"
  out="$(cd "$WORK" && HOME="$home" XDG_CONFIG_HOME="$home/.config" "$BUILD_DIR/bench/map_wait" "$@" 2>/dev/null)" || true
  read -r ms pid <<<"$out"
  sleep 2
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  # PSS shares each library page among the processes that map it, so it
  # moves with whatever else runs; private is this process's alone.
  pss=$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
  priv=$(awk '/^Private_(Clean|Dirty):/ {n += $2} END {print n + 0}' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
  [ -n "${MAPPED_FILES:-}" ] && awk '$6 ~ /^\// {print $6}' "/proc/$pid/maps" 2>/dev/null >>"$MAPPED_FILES"
  # The program and whatever it started end, and the machine settles,
  # before the next start: a process still busy would be counted against
  # whichever program comes next.
  kill -- "-$pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.02; done
  sleep 1
  rm -rf "$home"
  [ -n "$ms" ] && [ "$ms" != nan ] || { echo "nan nan nan nan"; return; }
  echo "$ms $rss ${pss:-0} ${priv:-0}"
}

median() { sort -n | awk '{a[NR]=$1} END {printf "%.1f\n", (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

PROGS=(bare text shurencho)
command_of() {
  case $1 in
    bare) echo "$BUILD_DIR/bench/bare_qt_window" ;;
    text) echo "$BUILD_DIR/bench/text_window" ;;
    shurencho) echo "$WORK/shurencho" ;;
  esac
}
declare -A START RSS PSS PRIV RESULTS
# The kernel maps up to 64 KB around each page a program touches, but only
# pages already in the file cache: a library half read by whatever ran before
# gives a smaller figure than one read whole. Every file the programs map is
# read whole first, as on a desktop where other Qt programs have run, so the
# figures do not depend on what the machine did before.
MAPPED_FILES="$WORK/mapped_files"
for prog in "${PROGS[@]}"; do
  cmd="$(command_of "$prog")"
  [ -n "$cmd" ] && measure "$cmd" >/dev/null
done
sort -u "$MAPPED_FILES" | while read -r file; do cat "$file" >/dev/null 2>&1 || true; done
MAPPED_FILES=
# Alternating runs: load on the machine falls on every program alike.
for _ in $(seq "$RUNS"); do
  for prog in "${PROGS[@]}"; do
    cmd="$(command_of "$prog")"
    [ -n "$cmd" ] || continue
    RESULTS[$prog]+="$(measure "$cmd")"$'\n'
  done
done
for prog in "${PROGS[@]}"; do
  if [ -z "${RESULTS[$prog]:-}" ]; then START[$prog]=nan; RSS[$prog]=nan; PSS[$prog]=nan; PRIV[$prog]=nan; continue; fi
  START[$prog]=$(printf '%s' "${RESULTS[$prog]}" | awk 'NF {print $1}' | median)
  RSS[$prog]=$(printf '%s' "${RESULTS[$prog]}" | awk 'NF {print $2}' | median)
  PSS[$prog]=$(printf '%s' "${RESULTS[$prog]}" | awk 'NF {print $3}' | median)
  PRIV[$prog]=$(printf '%s' "${RESULTS[$prog]}" | awk 'NF {print $4}' | median)
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a == a + 0) printf "%.2f", a / b; else print "n/a" }'; }
echo
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), medians of $RUNS alternating runs"
echo
mib() { awk -v k="$1" 'BEGIN { if (k == k + 0) printf "%.1f", k / 1024; else print "n/a" }'; }
echo "| program | start-up to first window (ms) | RSS at idle (MiB) | PSS at idle (MiB) | private at idle (MiB) | start-up vs bare Qt window | RSS vs bare Qt window |"
echo "|---|---|---|---|---|---|---|"
for prog in "${PROGS[@]}"; do
  mib=$(awk -v k="${RSS[$prog]}" 'BEGIN { if (k == k + 0) printf "%.1f", k / 1024; else print "n/a" }')
  name=$prog; [ "$prog" = bare ] && name="bare Qt 6 window (680×480)"
  [ "$prog" = text ] && name="the same with menus, tabs and Japanese text"
  echo "| $name | ${START[$prog]} | $mib | $(mib "${PSS[$prog]}") | $(mib "${PRIV[$prog]}") | $(ratio "${START[$prog]}" "${START[bare]}") | $(ratio "${RSS[$prog]}" "${RSS[bare]}") |"
done
echo
echo "ratio: shurencho start-up $(ratio "${START[shurencho]}" "${START[bare]}") × the bare window (goal ≤ 1.30), RSS $(awk -v k="${RSS[shurencho]}" 'BEGIN { if (k == k + 0) printf "%.1f", k / 1024; else print "n/a" }') MiB (goal ≤ 32), PSS $(mib "${PSS[shurencho]}") MiB"
echo
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/bench/shurencho_bench" --benchmark_min_time=0.2
