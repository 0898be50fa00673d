#!/usr/bin/env python3
"""Builds assets/kanji.txt, the kanji table furigana is set by, from
Debian's kanjidic package (/usr/share/edict/kanjidic, EUC-JP).

    python3 tools/data/build_kanji.py            # write assets/kanji.txt
    python3 tools/data/build_kanji.py --check    # fail when it differs

One line a kanji: the kanji, its school grade, then its readings in
hiragana. Grades 1-6 are the elementary-school grade that teaches it (the
2020 allotment: 80, 160, 200, 202, 193 and 191 kanji), 8 the rest of the
常用漢字, 9 and 10 the name kanji. A kun reading is given as its stem
followed by each longer piece of its okurigana (う.える: う うえ うえる),
so that a word's reading can be split over its kanji; the 名乗り are left
out.
"""

import re
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
OUT = HERE.parent.parent / "assets" / "kanji.txt"
KANJIDIC = Path("/usr/share/edict/kanjidic")
GRADE_COUNTS = {1: 80, 2: 160, 3: 200, 4: 202, 5: 193, 6: 191}
HEADER = [
    "# 漢字 学年 読み… (学年 1-6: 小学校で習う学年, 8: そのほかの常用漢字, 9-10: 人名用漢字)",
    "# tools/data/build_kanji.py が作る。学年と読みは KANJIDIC から:",
    "# Electronic Dictionary Research and Development Group, CC BY-SA 4.0",
]


def hiragana(text):
    return "".join(chr(ord(c) - 0x60) if "ァ" <= c <= "ヶ" else c for c in text)


def readings(fields):
    out = []
    for f in fields:
        if f in ("T1", "T2") or f.startswith("{"):
            break
        if not re.fullmatch(r"[-.\u3041-\u3096\u30a1-\u30fcー]+", f):
            continue
        f = hiragana(f.replace("-", ""))
        stem, _, tail = f.partition(".")
        for n in range(len(tail) + 1):
            r = stem + tail[:n]
            if r and r not in out:
                out.append(r)
    return out


def build():
    lines, counts = list(HEADER), {}
    text = KANJIDIC.read_bytes().decode("euc_jp", errors="replace")
    for line in text.splitlines():
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split()
        grade = next((int(f[1:]) for f in fields if re.fullmatch(r"G\d+", f)), 0)
        if grade == 0:
            continue
        counts[grade] = counts.get(grade, 0) + 1
        lines.append(" ".join([fields[0], str(grade)] + readings(fields[2:])))
    for grade, count in GRADE_COUNTS.items():
        if counts.get(grade) != count:
            sys.exit(f"{KANJIDIC}: grade {grade} has {counts.get(grade)} kanji, the allotment {count}")
    return "\n".join(lines) + "\n"


def main():
    if not KANJIDIC.is_file():
        sys.exit(f"{KANJIDIC} is missing (apt-get install kanjidic)")
    made = build().encode("utf-8")
    if "--check" in sys.argv[1:]:
        if not OUT.is_file() or OUT.read_bytes() != made:
            sys.exit("assets/kanji.txt differs from kanjidic (run without --check)")
        return
    OUT.write_bytes(made)
    print(f"wrote {OUT} ({len(made.splitlines())} lines)")


if __name__ == "__main__":
    main()
