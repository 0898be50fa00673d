#!/usr/bin/env python3
"""The folders under src/ include each other in one direction only, each
includes only the folders its CMakeLists.txt links (directly or through the
libraries it links), links no folder of ours it never includes, and no
folder below the views includes a widgets header.

A folder is a library; an include from a lower folder of a higher one makes
a cycle between two folders, which the linker only catches when a function
(not a header's inline code or a type) is used across it.
Usage: layers_test.py <src folder> <the toolkit's QtWidgets include folder>
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

src, widgets_dir = sys.argv[1], sys.argv[2]
BELOW_VIEWS = {"text", "platform", "settings", "data", "measure", "reading", "history", "report",
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


def declared_links():
    """Each folder's libraries of ours, as its CMakeLists.txt links them."""
    owner, links = {}, {f: set() for f in folders}
    made = re.compile(r"add_(?:library|executable)\(\s*(shurencho\w*)")
    linked = re.compile(r"target_link_libraries\(\s*(shurencho\w*)(.*?)\)", re.S)
    texts = {}
    for folder in folders:
        path = os.path.join(src, folder, "CMakeLists.txt")
        if os.path.exists(path):
            with open(path, encoding="utf-8") as f:
                texts[folder] = f.read()
            for name in made.findall(texts[folder]):
                owner[name] = folder
    # The headless bundle the tests link, made in src/CMakeLists.txt.
    owner["shurencho_logic"] = "app"
    for folder, text in texts.items():
        for _, rest in linked.findall(text):
            for name in re.findall(r"\bshurencho_\w+", rest):
                if name in owner and owner[name] != folder:
                    links[folder].add(owner[name])
    return links


links = declared_links()


def reachable(start):
    seen, todo = set(), [start]
    while todo:
        for nxt in links[todo.pop()]:
            if nxt not in seen:
                seen.add(nxt)
                todo.append(nxt)
    return seen


for folder in folders:
    below = reachable(folder)
    for used in sorted(uses[folder] - below):
        faults.append(f"src/{folder} includes src/{used}, which its CMakeLists.txt does not link")
    for unused in sorted(links[folder] - uses[folder]):
        faults.append(f"src/{folder}/CMakeLists.txt links src/{unused}, which it never includes")

if not os.environ.get("LAYERS_TEST_COPY"):
    # The guard itself: an include of a higher folder added to a lower one
    # (without a cycle) must fail it.
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "src")
        shutil.copytree(src, copy)
        with open(os.path.join(copy, "drill", "drill_page.cpp"), "a", encoding="utf-8") as f:
            f.write('\n#include "ui/drill_view.h"\n')
        run = subprocess.run([sys.executable, __file__, copy, widgets_dir], capture_output=True, text=True,
                             env={**os.environ, "LAYERS_TEST_COPY": "1"})
        if run.returncode == 0 or "src/drill includes src/ui" not in run.stdout:
            faults.append("the guard let an upward include from src/drill to src/ui pass")

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
