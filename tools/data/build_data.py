#!/usr/bin/env python3
"""Builds the shipped data files in assets/ from the UTF-8 sources here.

    python3 tools/data/build_data.py            # write assets/*.dat
    python3 tools/data/build_data.py --check    # only check, write nothing; fail
                                                # when assets/ is not what the
                                                # sources make

Outputs are CP932 (Windows Shift-JIS) with CR LF line ends:
  roma01.dat  kana-romaji table   (roma01_keys.txt + ime_rules.txt)
  tangoe.dat  English words       (tangoe.txt, sorted short to long)
  tango.dat   kana words          (tango.txt, sorted short to long)
  tangoh.dat  conversion items    (tangoh.txt, as written)
  tmap01.dat  ten mazes           (generated here from fixed seeds)

The build refuses data the drill could not use: a reading that does not cut
into table units, a unit that would have to be typed piecemeal (a lone small
kana), a form that another form hides, a maze without a reachable goal.
"""

import random
import sys
from collections import deque
from pathlib import Path

HERE = Path(__file__).resolve().parent
ASSETS = HERE.parent.parent / "assets"

TABLE_LINES = 512   # the program's table slots
SECTION_SIZES = {"alphabet": 30, "keys": 10, "kana": 165}

# Hints a beginner learns first (Hepburn where the input method allows it).
PREFERRED = {
    "し": "shi", "じ": "ji", "ち": "chi", "つ": "tsu", "ふ": "fu", "ん": "nn",
    "しぇ": "she", "しゃ": "sha", "しゅ": "shu", "しょ": "sho",
    "じぇ": "je", "じゃ": "ja", "じゅ": "ju", "じょ": "jo",
    "ちぇ": "che", "ちゃ": "cha", "ちゅ": "chu", "ちょ": "cho",
    "くぁ": "kwa", "くぃ": "kwi", "くぇ": "kwe", "くぉ": "kwo",
}
# ん: nn first. A lone n is not a form: it would begin nn and hide it.
N_ORDER = ["nn", "xn", "n'"]

SMALL_KANA = set("ぁぃぅぇぉゃゅょゎァィゥェォャュョヮ")
SMALL_TSU = set("っッ")


# ---------------------------------------------------------------- rules

class Rules:
    def __init__(self, path):
        self.rules = []          # (output, [romaji...]) in file order
        self.doubling = set()
        for line in path.read_text(encoding="utf-8").splitlines():
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.split()
            if parts[0] == "doubling":
                self.doubling = set(parts[1:])
                continue
            self.rules.append((parts[0], parts[1:]))
        self.by_romaji = {}
        for out, romas in self.rules:
            for r in romas:
                assert r not in self.by_romaji, r
                self.by_romaji[r] = out

    def derive(self, unit, memo=None):
        """All spellings that type exactly `unit`, as (romaji, rules used)."""
        if memo is None:
            memo = {}
        if unit in memo:
            return memo[unit]
        found = []
        for out, romas in self.rules:
            if unit.startswith(out):
                rest = unit[len(out):]
                for r in romas:
                    if not rest:
                        found.append((r, 1))
                    else:
                        found += [(r + f, n + 1) for f, n in self.derive(rest, memo)]
        if unit[0] == "っ" and len(unit) > 1:
            for f, n in self.derive(unit[1:], memo):
                if f[0] in self.doubling:
                    found.append((f[0] + f, n + 1))
                if f.startswith("ch"):
                    found.append(("t" + f, n + 1))
        seen, result = set(), []
        for f, n in found:
            if f not in seen:
                seen.add(f)
                result.append((f, n))
        memo[unit] = result
        return result

    def hint(self, unit):
        """The spelling shown to a beginner: fewest rules, Hepburn, doubled consonant."""
        if unit in PREFERRED:
            return PREFERRED[unit]
        if unit[0] == "っ" and len(unit) > 1:
            rest = self.hint(unit[1:])
            return ("t" + rest) if rest.startswith("ch") else rest[0] + rest
        for length in range(len(unit), 0, -1):
            head = unit[:length]
            for out, romas in self.rules:
                if out == head:
                    first = PREFERRED.get(out, romas[0])
                    return first + (self.hint(unit[length:]) if length < len(unit) else "")
        raise ValueError(f"no rule types {unit!r}")

    def type_keys(self, keys):
        """Types keys into a model of the input method; the kana, or None."""
        out, buf = "", ""
        for ch in keys:
            buf += ch
            longer = any(r != buf and r.startswith(buf) for r in self.by_romaji)
            if buf in self.by_romaji and not longer:
                out, buf = out + self.by_romaji[buf], ""
            elif len(buf) == 2 and buf[0] == buf[1] and buf[0] in self.doubling:
                out, buf = out + "っ", buf[1:]
            elif buf == "tch":
                out, buf = out + "っ", "ch"
            elif not (longer or buf == "tc"):
                return None
        return out if not buf else None


def to_hiragana(text):
    # ヵ and ヶ have rules of their own; ヴ types like ゔ.
    return "".join(chr(ord(c) - 0x60) if "ァ" <= c <= "ヴ" else c for c in text)


# ---------------------------------------------------------------- table

def read_keys(path):
    sections, current = {}, None
    for line in path.read_text(encoding="utf-8").splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        if line.startswith("["):
            current = line.strip("[] ")
            sections[current] = []
            continue
        sections[current] += [" " if k == "<space>" else k for k in line.split()]
    for name, size in SECTION_SIZES.items():
        if len(sections[name]) != size:
            sys.exit(f"roma01_keys.txt: [{name}] holds {len(sections[name])} keys, not {size}")
    keys = sections["alphabet"] + sections["keys"] + sections["kana"] + sections["units"]
    if len(keys) > TABLE_LINES:
        sys.exit(f"roma01_keys.txt: {len(keys)} keys, the table has {TABLE_LINES} lines")
    for k in keys:
        try:
            k.encode("cp932")
        except UnicodeEncodeError:
            sys.exit(f"roma01_keys.txt: key {k!r} has no CP932 code (the files are CP932)")
    folded = [k.lower() for k in keys]
    for k in keys:
        if folded.count(k.lower()) > 1:
            sys.exit(f"roma01_keys.txt: key {k!r} twice (the second would never be found)")
    return keys


def forms_of(rules, key):
    kana = to_hiragana(key)
    if kana == "ん":
        return list(N_ORDER)
    derived = rules.derive(kana) if any(kana.startswith(o) for o, _ in rules.rules) else []
    if not derived:
        # Letters, digits and plain symbols type themselves.
        if len(key) == 1 and ord(key) < 128:
            return [key.lower()]
        sys.exit(f"roma01: no way to type {key!r}")
    hint = rules.hint(kana)
    # Fewest rules first; among those the doubled consonant before xtu/ltu.
    forms = [f for f, _ in sorted(derived, key=lambda fn: (fn[1], fn[0][:2] in ("xt", "lt")))]
    assert hint in forms, (key, hint)
    forms.remove(hint)
    forms.insert(0, hint)
    for f in forms:
        if rules.type_keys(f) != kana:
            sys.exit(f"roma01: {f!r} does not type {key!r}")
    return forms


def check_forms(key, forms):
    # Under the first-match rule a form that begins another hides it (or is
    # hidden by it), whatever their order: the set must be prefix-free.
    for a in forms:
        for b in forms:
            if a != b and b.startswith(a):
                sys.exit(f"roma01: form {a!r} of {key!r} hides or is hidden by {b!r}")
        if a != a.lower():
            sys.exit(f"roma01: form {a!r} of {key!r} has an upper-case letter")


def quote(field):
    if any(c in field for c in ', "') or any(ord(c) < 33 for c in field):
        return '"' + field.replace('"', '""') + '"'
    return field


def build_table(rules, keys):
    lines, table = [], {}
    for key in keys:
        forms = forms_of(rules, key)
        check_forms(key, forms)
        table[key] = forms
        lines.append(",".join(quote(f) for f in [key] + forms))
    return lines, table


# ---------------------------------------------------------------- readings

def lookup(table, text):
    # The program's lookup ignores letter case (kana are not folded).
    for key in table:
        if key.lower() == text.lower():
            return key
    return None


def segment(table, reading):
    """Cuts a reading into units the way the drill does: 3, 2, then 1 characters."""
    units, p = [], 0
    while p < len(reading):
        for n in (3, 2, 1):
            piece = reading[p:p + n]
            if len(piece) == n and (n == 1 or lookup(table, piece)):
                units.append(piece)
                p += n
                break
    return units


def check_reading(table, where, reading):
    for unit in segment(table, reading):
        if lookup(table, unit) is None:
            sys.exit(f"{where}: {reading!r}: {unit!r} has no table line")
        if unit[0] in SMALL_KANA or (unit in SMALL_TSU and len(reading) > 1):
            sys.exit(f"{where}: {reading!r}: {unit!r} would be typed on its own; add a unit")


def read_words(path):
    words = [l for l in path.read_text(encoding="utf-8").splitlines()
             if l.strip() and not l.startswith("#")]
    if len(set(words)) != len(words):
        sys.exit(f"{path.name}: a word is listed twice")
    for w in words:
        if '"' in w or w != w.strip():
            sys.exit(f"{path.name}: {w!r}: no quotes and no outer blanks")
    return sorted(words, key=len)   # stable: equal lengths keep the file order


def read_conversion(path):
    lines = path.read_text(encoding="utf-8").splitlines()
    if not lines or not lines[-1].startswith("/"):
        sys.exit(f"{path.name}: end with a comment line; the last line is never read")
    return lines


# ---------------------------------------------------------------- mazes

ROWS, COLS = 24, 32

# (columns of passages, rows of passages, share of inner walls removed, seed).
# Seeds picked so that the shortest way from start to goal grows map by map.
MAZE_PLAN = [
    (4, 3, 0.60, 1),
    (5, 3, 0.35, 6),
    (6, 4, 0.25, 33),
    (7, 5, 0.15, 76),
    (8, 6, 0.10, 35),
    (9, 7, 0.06, 113),
    (10, 7, 0.04, 32),
    (12, 8, 0.02, 192),
    (13, 10, 0.0, 108),
    (15, 11, 0.0, 34),
]


def spans(count, length):
    """Splits `length` cells into `count` passages with one wall between each."""
    room = length - (count - 1)
    widths = [room // count + (1 if i < room % count else 0) for i in range(count)]
    result, start = [], 1
    for w in widths:
        result.append((start, start + w))
        start += w + 1
    return result


def make_maze(nx, ny, braid, seed, hardest):
    rng = random.Random(seed)
    xs, ys = spans(nx, COLS - 2), spans(ny, ROWS - 2)
    grid = [["WL"] * COLS for _ in range(ROWS)]

    def fill(r0, r1, c0, c1):
        for r in range(r0, r1):
            for c in range(c0, c1):
                grid[r][c] = "GR"

    for (r0, r1) in ys:
        for (c0, c1) in xs:
            fill(r0, r1, c0, c1)
    # Depth-first carving gives long winding passages; removing a share of
    # the remaining walls afterwards makes loops and so easier mazes.
    seen, stack, walls = {(0, 0)}, [(0, 0)], []
    while stack:
        x, y = stack[-1]
        nbrs = [(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                if 0 <= x + dx < nx and 0 <= y + dy < ny and (x + dx, y + dy) not in seen]
        if not nbrs:
            stack.pop()
            continue
        n = rng.choice(nbrs)
        seen.add(n)
        stack.append(n)
        open_between(grid, xs, ys, (x, y), n)
    for y in range(ny):
        for x in range(nx):
            for n in ((x + 1, y), (x, y + 1)):
                if n[0] < nx and n[1] < ny:
                    walls.append(((x, y), n))
    rng.shuffle(walls)
    for a, b in walls[:int(len(walls) * braid)]:
        open_between(grid, xs, ys, a, b)

    def centre(cell):
        (c0, c1), (r0, r1) = xs[cell[0]], ys[cell[1]]
        return (r0 + r1 - 1) // 2, (c0 + c1 - 1) // 2

    if hardest:
        # The two ends of the longest path.
        a = farthest(grid, centre((0, 0)))[0]
        start, goal = a, farthest(grid, a)[0]
    else:
        start, goal = centre((0, 0)), centre((nx - 1, ny - 1))
    grid[start[0]][start[1]] = "ST"
    grid[goal[0]][goal[1]] = "ED"
    return grid


def open_between(grid, xs, ys, a, b):
    (ax, ay), (bx, by) = a, b
    if ay == by:   # side by side: open the wall column between them
        col = xs[min(ax, bx)][1]
        for r in range(*ys[ay]):
            grid[r][col] = "GR"
    else:          # one above the other
        row = ys[min(ay, by)][1]
        for c in range(*xs[ax]):
            grid[row][c] = "GR"


def farthest(grid, src):
    dist = {src: 0}
    queue = deque([src])
    last = src
    while queue:
        cur = queue.popleft()
        last = cur
        r, c = cur
        for nr, nc in ((r + 1, c), (r - 1, c), (r, c + 1), (r, c - 1)):
            if 0 <= nr < ROWS and 0 <= nc < COLS and grid[nr][nc] != "WL" and (nr, nc) not in dist:
                dist[(nr, nc)] = dist[cur] + 1
                queue.append((nr, nc))
    return last, dist


def check_maze(index, grid):
    cells = [(r, c) for r in range(ROWS) for c in range(COLS)]
    starts = [p for p in cells if grid[p[0]][p[1]] == "ST"]
    goals = [p for p in cells if grid[p[0]][p[1]] == "ED"]
    if len(starts) != 1 or not goals:
        sys.exit(f"maze {index}: one start and a goal needed")
    for r in range(ROWS):
        for c in range(COLS):
            if (r in (0, ROWS - 1) or c in (0, COLS - 1)) and grid[r][c] != "WL":
                sys.exit(f"maze {index}: open border at row {r} column {c}")
    dist = farthest(grid, starts[0])[1]
    if not any(g in dist for g in goals):
        sys.exit(f"maze {index}: the goal cannot be reached")
    return min(dist[g] for g in goals if g in dist)


def build_mazes():
    lines = ["/ tmap01.dat: ten mazes of 24 rows by 32 cells, easy to hard.",
             "/ WL wall, GR floor, ST start, ED goal. Lines starting with / are skipped."]
    lengths = []
    for i, (nx, ny, braid, seed) in enumerate(MAZE_PLAN):
        grid = make_maze(nx, ny, braid, seed, hardest=(i >= 8))
        lengths.append(check_maze(i, grid))
        lines.append(f"/ map {i + 1}")
        lines += [",".join(row) for row in grid]
    return lines, lengths


# ---------------------------------------------------------------- output

def encode(lines):
    data = "".join(l + "\r\n" for l in lines).encode("cp932")
    return data


def main():
    check_only = "--check" in sys.argv[1:]
    rules = Rules(HERE / "ime_rules.txt")
    keys = read_keys(HERE / "roma01_keys.txt")
    table_lines, table = build_table(rules, keys)

    english = read_words(HERE / "tangoe.txt")
    kana_words = read_words(HERE / "tango.txt")
    conversion = read_conversion(HERE / "tangoh.txt")
    for w in english:
        check_reading(table, "tangoe.txt", w)
    for w in kana_words:
        check_reading(table, "tango.txt", w)
    items = 0
    for line in conversion[:-1]:
        if line.startswith("/"):
            continue
        fields = line.split(",")
        if len(fields) < 7 or not fields[0] or not fields[1]:
            sys.exit(f"tangoh.txt: {line!r}: too few fields")
        check_reading(table, "tangoh.txt", fields[1])
        items += 1

    maze_lines, path_lengths = build_mazes()

    outputs = {
        "roma01.dat": table_lines,
        "tangoe.dat": english,
        "tango.dat": kana_words,
        "tangoh.dat": conversion,
        "tmap01.dat": maze_lines,
    }
    print(f"roma01: {len(table_lines)} lines; tangoe: {len(english)}; tango: {len(kana_words)}; "
          f"tangoh: {items} items; maze paths: {path_lengths}")
    made = {name: encode(lines) for name, lines in outputs.items()}
    stale = [name for name, data in made.items()
             if not (ASSETS / name).is_file() or (ASSETS / name).read_bytes() != data]
    if check_only:
        if stale:
            sys.exit(f"assets/ differs from the sources: {', '.join(stale)} (run without --check)")
        return
    ASSETS.mkdir(exist_ok=True)
    for name in stale:
        (ASSETS / name).write_bytes(made[name])
        print(f"wrote assets/{name}")


if __name__ == "__main__":
    main()
