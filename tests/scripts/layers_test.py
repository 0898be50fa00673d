#!/usr/bin/env python3
"""The folders under src/ include each other in one direction only, and no
folder below the views includes a widgets header.

A folder is a library; an include from a lower folder of a higher one makes
a cycle between two folders, which the linker only catches when a function
(not a header's inline code or a type) is used across it.
Usage: layers_test.py <src folder> <the toolkit's QtWidgets include folder>
"""
import os
import re
import sys

src, widgets_dir = sys.argv[1], sys.argv[2]
BELOW_VIEWS = {"text", "platform", "settings", "data", "measure", "history", "report",
               "typing", "drill", "mouse", "app", "adapters"}
widget_headers = set(os.listdir(widgets_dir)) if os.path.isdir(widgets_dir) else set()
folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)

uses = {f: set() for f in folders}
faults = []
for folder in folders:
    for root, _, files in os.walk(os.path.join(src, folder)):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            for kind, header in include.findall(text):
                top = header.split("/")[0]
                if kind == '"' and "/" in header and top in uses and top != folder:
                    uses[folder].add(top)
                base = header.split("/")[-1]
                if folder in BELOW_VIEWS and (top == "QtWidgets" or (kind == "<" and base in widget_headers)):
                    faults.append(f"{path}: includes the widgets header {header}")


def cycle_from(start):
    """A path of includes from start back to itself, or None."""
    stack, seen = [(start, [start])], set()
    while stack:
        node, path = stack.pop()
        for nxt in sorted(uses[node]):
            if nxt == start:
                return path + [start]
            if nxt not in seen:
                seen.add(nxt)
                stack.append((nxt, path + [nxt]))
    return None


for folder in folders:
    cycle = cycle_from(folder)
    if cycle:
        faults.append("folders include each other: " + " -> ".join(cycle))
        break

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
