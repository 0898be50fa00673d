#!/usr/bin/env bash
# `shurencho --report`: three collected records files make one class table,
# with no display at all; a file that is not ours is refused naming its file
# and line, and an output that is one of the inputs (even through a symlink)
# is refused with the input left as it was. The files here are in the first
# format (no machine column), which must keep reading.
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
# 60 s, so that the characters make the 字／分 given.
run() { row 打鍵 "$1" "$2" "$3" "" "$4" 70 10 60 "$4" 46 0.86 ○ "" "" "" "" ""; }
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
  # A finished 実力テスト, typed through the input method: no key counted.
  row 打鍵 '"伊藤, 真"' 2026-12-04T09:00:00.000+09:00 20 題 156 0 0 180 52 0 0.917 3級 "" "" "" "" ""
} >ito.csv

fail() {
  echo "FAIL: $*"
  exit 1
}

"$BIN" --report class.html aoki1.csv aoki2.csv ito.csv >out.txt 2>err.txt || fail "merge failed: $(cat err.txt)"
[ ! -s err.txt ] || fail "messages on a good run: $(cat err.txt)"
# Every file written is named, one a line.
[ "$(cat out.txt)" = "$(printf 'クラスの成績一覧：class.html\n認定証（1 人分）：class_認定証.html')" ] ||
  fail "the files written: $(cat out.txt)"
grep -q '<td class="nw">3級</td>' class.html || fail "伊藤's 級"
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

# Teacher commands destroy nothing: the output name forgotten (a learner's
# records become the output), a page someone else wrote, a FIFO. Each is
# refused with status 2 and left byte for byte; a page we wrote is replaced.
cp aoki1.csv taro.csv
cp aoki2.csv hanako.csv
echo '<html>the school newsletter</html>' >news.html
mkfifo out.fifo
for out in taro.csv news.html out.fifo; do
  rc=0
  "$BIN" --report "$out" hanako.csv 2>err.txt || rc=$?
  [ "$rc" -eq 2 ] || fail "--report into $out: status $rc"
  grep -q "$out" err.txt || fail "the refusal does not name $out: $(cat err.txt)"
done
cmp -s taro.csv aoki1.csv || fail "taro.csv changed"
grep -q newsletter news.html || fail "news.html changed"
[ -p out.fifo ] || fail "the FIFO was replaced"
"$BIN" --report class.html hanako.csv || fail "our own page was not replaced"
echo "outputs refused: $(cat err.txt)"

# Inputs are read only when they are regular files within the size limit:
# a FIFO does not block and a large file is refused before it is read.
mkfifo in.fifo
truncate -s 60M big.csv
for input in /dev/zero in.fifo big.csv; do
  rc=0
  timeout 20 "$BIN" --report in.html "$input" 2>err.txt || rc=$?
  [ "$rc" -eq 1 ] || fail "--report reading $input: status $rc"
  grep -q "$input" err.txt || fail "the refusal does not name $input: $(cat err.txt)"
done
grep -q '50 MB' err.txt || fail "the size limit is not named: $(cat err.txt)"
[ ! -e in.html ] || fail "wrote a table despite the refusals"
echo "inputs refused: $(cat err.txt)"

# --help and --version need no display; an unknown option is refused.
"$BIN" --help >help.txt 2>err.txt || fail "--help failed: $(cat err.txt)"
for option in --report --class-report --class --help --version; do
  grep -q -- "shurencho $option" help.txt || fail "--help does not list $option"
done
grep -Eq '^shurencho [0-9]+\.[0-9]+' <("$BIN" --version) || fail "--version: $("$BIN" --version 2>&1)"
rc=0
"$BIN" --frobnicate 2>err.txt || rc=$?
[ "$rc" -eq 2 ] && grep -q -- '--help' err.txt || fail "an unknown option: status $rc, $(cat err.txt)"
echo "--help, --version and an unknown option answered without a display"
echo "1 passed, 0 failed"
