#!/usr/bin/env bash
# Writes src/main/start_order.txt: the functions of the program that run from
# its start until it idles with its first window shown, in the order the
# linker is to place them. The start-up then touches a few contiguous pages of
# the program's code instead of pages all over it (the kernel maps 64 KB
# around each page first touched), which keeps about half a megabyte of code
# out of memory at idle. Run it again after a large change to the start-up;
# a function it no longer finds is only placed where the linker would put it.
# Usage: bench/start_order.sh   (installs what it needs, builds Release)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="$ROOT/build-release"
source "$ROOT/scripts/setup.sh"
BUILD_DIR="$ROOT/build-release"
install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}" valgrind
build Release -DSHURENCHO_TESTS=OFF -DSHURENCHO_BENCH=ON >/dev/null

source "$ROOT/bench/bench_x.sh"
start_program_copy_on_xvfb
trap 'kill $XVFB 2>/dev/null; [ -n "${PROG:-}" ] && kill -9 "$PROG" 2>/dev/null; rm -rf "$WORK"' EXIT
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config"
mkdir -p "$HOME"

# A first start, as bench/report.sh measures it: a fresh HOME, the welcome
# guide shown. The program runs some fifty times slower under the tool, so the
# work after the first paint gets a generous while before the profile is taken.
(cd "$WORK" && exec valgrind --tool=callgrind --demangle=no --callgrind-out-file="$WORK/profile.%p" ./shurencho) \
  >"$WORK/valgrind.log" 2>&1 &
PROG=$!
timeout 180 xdotool search --sync --onlyvisible --class shurencho >/dev/null
sleep 15
callgrind_control -d "$PROG" >/dev/null
for _ in $(seq 100); do compgen -G "$WORK/profile.*.1" >/dev/null && break; sleep 0.2; done
sleep 1
kill -9 "$PROG" 2>/dev/null || true
wait "$PROG" 2>/dev/null || true
PROG=

python3 - "$WORK"/profile.*.1 "$ROOT/src/main/start_order.txt" <<'EOF'
import re, sys
profile, out = sys.argv[1], sys.argv[2]
objects, names, ran, current = {}, {}, set(), None
for line in open(profile, encoding="utf-8", errors="replace"):
    m = re.match(r"^(c?ob)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
    if m:
        if m.group(3):
            objects[m.group(2)] = m.group(3)
        if m.group(1) == "ob":
            current = objects.get(m.group(2), "")
        continue
    m = re.match(r"^(c?fn)=\((\d+)\)(?: (.*))?$", line.rstrip("\n"))
    if m:
        if m.group(3):
            names[m.group(2)] = m.group(3).split("'")[0]
        if m.group(1) == "fn" and current.endswith("/shurencho"):
            ran.add(m.group(2))
symbols = sorted({names[i] for i in ran if not names[i].startswith(("0x", "("))})
# What runs before the profiler sees the program: the C runtime's entry and
# the start files' init helpers.
symbols = ["_start", "frame_dummy", "register_tm_clones", "deregister_tm_clones"] + symbols
with open(out, "w", encoding="utf-8") as f:
    f.write("# The functions the program runs from its start until it idles with its first\n"
            "# window shown, which the linker places together. Written by\n"
            "# bench/start_order.sh; a name no longer defined is passed over.\n")
    f.write("\n".join(symbols) + "\n")
print(f"{len(symbols)} functions written to {out}")
EOF
