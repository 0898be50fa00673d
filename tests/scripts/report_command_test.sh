#!/usr/bin/env bash
# `shurencho --report`: three collected records files make one class table,
# with no display at all; a file that is not ours is refused naming its file
# and line, and an output that is one of the inputs (even through a symlink)
# is refused with the input left as it was.
set -euo pipefail
BIN="$1/src/shurencho"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$WORK"

# One CSV row of the 18 columns, CRLF-terminated.
row() {
  local IFS=,
  printf '%s\r\n' "$*"
}
start() {
  printf '\xef\xbb\xbf'
  row shurencho-records 1 打鍵修練帖の成績ファイル
  row 種類 学習者 日時 コース テキスト 文字数 打鍵数 ミス 秒 字／分 打鍵／分 正確さ 評価 ゲーム ステージ 手数 かな 間違えたキー
}
run() { row 打鍵 "$1" "$2" "$3" "" 60 70 10 90 "$4" 46 0.86 "" "" "" "" "" ""; }
mouse() { row マウス "$1" "$2" "" "" "" "" 1 30 "" "" "" "" "$3" "$4" 0 "" ""; }
weak() { row 苦手 "$1" "" "" "" "" "" "$3" "" "" "" "" "" "" "" "" "$2" "a×2"; }

{
  start
  run 青木 2026-12-01T10:00:00.000+09:00 1 30
  run 青木 2026-12-02T10:00:00.000+09:00 1 42
  mouse 青木 2026-12-02T11:00:00.000+09:00 迷路 4
  weak 青木 つ 9
} >aoki1.csv
{
  start
  run 青木 2026-12-02T10:00:00.000+09:00 1 42
  run 青木 2026-12-08T10:00:00.000+09:00 1 38
  weak 青木 しゃ 5
} >aoki2.csv
{
  start
  run '"伊藤, 真"' 2026-12-03T09:00:00.000+09:00 0 25
} >ito.csv

fail() {
  echo "FAIL: $*"
  exit 1
}

"$BIN" --report class.html aoki1.csv aoki2.csv ito.csv 2>err.txt || fail "merge failed: $(cat err.txt)"
[ ! -s err.txt ] || fail "messages on a good run: $(cat err.txt)"
grep -q '<tr><td>青木</td><td class="n">42</td><td class="n">38</td>' class.html || fail "青木's best and latest"
grep -q '<tr><td>伊藤, 真</td>' class.html || fail "伊藤's row"
grep -q 'しゃ（5）' class.html || fail "weak kana from the newer file"
grep -q '迷路 4' class.html || fail "mouse stage"
[ "$(grep -c '^<tr><td>' class.html)" -eq 2 ] || fail "not one row per learner"
echo "three files merged into one class table"

printf 'name,score\r\nA,1\r\n' >marks.csv
if "$BIN" --report other.html aoki1.csv marks.csv 2>err.txt; then fail "a foreign file was accepted"; fi
grep -q 'marks.csv:1: ' err.txt || fail "the refusal names no file and line: $(cat err.txt)"
[ ! -e other.html ] || fail "wrote a table despite the refusal"
echo "foreign file refused: $(cat err.txt)"

cp aoki1.csv before.csv
ln -s aoki1.csv link.html
for out in aoki1.csv link.html ./aoki1.csv; do
  if "$BIN" --report "$out" aoki1.csv ito.csv 2>err.txt; then fail "wrote over the input $out"; fi
  [ -s err.txt ] || fail "no message when refusing $out"
  cmp -s aoki1.csv before.csv || fail "the input changed through $out"
done
echo "output equal to an input refused: $(cat err.txt)"

if "$BIN" --report only.html 2>err.txt; then fail "no inputs accepted"; fi
echo "1 passed, 0 failed"
