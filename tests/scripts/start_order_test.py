#!/usr/bin/env python3
"""The functions the start-up runs lie together in the built program, and the
order file that places them still names functions the program has."""
import subprocess
import sys

exe, order = sys.argv[1], sys.argv[2]
names = [line.strip() for line in open(order, encoding="utf-8") if line.strip() and not line.startswith("#")]
malformed = [n for n in names if len(n.split()) != 1]
if malformed:
    sys.exit(f"{order}: not one name per line: {malformed[:3]}")

symbols = {}
listing = subprocess.run(["nm", "-S", "--defined-only", exe], capture_output=True, text=True, check=True).stdout
for line in listing.splitlines():
    fields = line.split()
    if len(fields) == 4 and fields[2] in "tTwW":
        symbols.setdefault(fields[3], (int(fields[0], 16), int(fields[1], 16)))

placed = {symbols[n] for n in names if n in symbols}
if len(placed) < 0.75 * len(names):
    sys.exit(f"only {len(placed)} of the {len(names)} names in {order} are functions of the program: "
             "run bench/start_order.sh again")
start = min(a for a, _ in placed)
span = max(a + s for a, s in placed) - start
size = sum(s for _, s in placed)
if span > 1.5 * size:
    sys.exit(f"the start-up's functions ({size} bytes) are spread over {span} bytes: "
             "the program was linked without the order")
print(f"{len(placed)} functions, {size} bytes in {span}")
