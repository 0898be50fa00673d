#!/usr/bin/env bash
# 成績 in the real window: three kana items of course 3 typed with a wrong key
# each, the run ended by changing the course, then F2 and 成績を書き出す. The
# CSV holds the run with its three refused keys and the three weak kana with
# the keys pressed for them.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

printf '[Stat]\r\nwarmup=0:00:00\r\n' >"$E2E_DIR/shurencho.ini"
start_app
# あ い う, each after a key that is no start of it.
xdotool type --delay 150 "qakitu"
sleep 0.3
click_at 329 252  # RadioButton1: the run of course 3 ends here
xdotool key F2
RW="$(find_window '成績')"
[ -n "$RW" ] || fail "成績 did not open"
sleep 0.5
shot records
eval "$(xdotool getwindowgeometry --shell "$RW")"
# 成績を書き出す, top right; the file dialog takes the name and Enter.
xdotool mousemove --sync $((X + WIDTH - 47)) $((Y + 21)) click 1
open_in_dialog "$E2E_DIR/class.csv" '成績を書き出す' stay
for _ in $(seq 50); do [ -s "$E2E_DIR/class.html" ] && break; sleep 0.1; done
[ -s "$E2E_DIR/class.csv" ] || fail "no CSV was written"
[ -s "$E2E_DIR/class.html" ] || fail "no printable page was written beside the CSV"

csv="$(tr -d '\r' <"$E2E_DIR/class.csv")"
# Columns: 種類,学習者,日時,コース,テキスト,文字数,打鍵数,ミス,…,かな,間違えたキー,端末,コース番号
run="$(printf '%s\n' "$csv" | awk -F, '$1 == "打鍵" && $20 == "3"')"
[ "$(printf '%s\n' "$run" | grep -c .)" = 1 ] || fail "expected one course-3 run: $csv"
[ "$(printf '%s\n' "$run" | cut -d, -f6,8)" = "3,3" ] || fail "the run should hold 3 characters and 3 refused keys: $run"
for weak in "あ,q×1" "い,k×1" "う,t×1"; do
  printf '%s\n' "$csv" | grep -q "^苦手,.*,$weak,[^,]*,\$" || fail "no weak-kana row $weak: $csv"
done
# A logout with the 書き出しました box still open: the program ends cleanly.
kill -TERM "$E2E_PID"
wait_exit
grep -q 'double free\|Aborted\|corrupt' "$E2E_DIR/app.log" && fail "the program did not end cleanly: $(cat "$E2E_DIR/app.log")"
echo "records: one run with three refused keys and three weak kana exported"
