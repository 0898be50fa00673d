#!/usr/bin/env bash
# `shurencho --report` on the largest records file it takes (just under the
# 50 MB limit): the time and the peak memory of one class table.
# Usage: bench/report_command.sh BUILD_DIR
set -euo pipefail
BIN="$1/src/shurencho"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
unset DISPLAY WAYLAND_DISPLAY

# Thirty learners, a run every ten minutes for years, in the current format.
python3 - "$WORK/big.csv" <<'PY'
import sys, time
with open(sys.argv[1], "w", encoding="utf-8", newline="") as f:
    f.write("\ufeffshurencho-records,2,打鍵修練帖の成績ファイル\r\n")
    f.write("種類,学習者,日時,コース,テキスト,文字数,打鍵数,ミス,秒,字／分,打鍵／分,正確さ,評価,ゲーム,ステージ,手数,"
            "かな,間違えたキー,端末,コース番号\r\n")
    t = 1700000000
    for i in range(400000):
        t += 600
        day = time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(t))
        f.write(f"打鍵,学習者{i % 30:02},{day}.000+09:00,ローマ字　単語入力練習,,120,130,10,95.5,75,81,92.3%,○,"
                f",,,,,pc-{i % 30:02},{i % 6}\r\n")
PY
size=$(stat -c %s "$WORK/big.csv")
echo "input: $((size / 1024 / 1024)) MB, 400000 runs of 30 learners"
/usr/bin/time -f "--report: %e s, %M KiB peak resident" "$BIN" --report "$WORK/class.html" "$WORK/big.csv"
