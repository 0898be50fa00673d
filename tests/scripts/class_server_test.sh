#!/usr/bin/env bash
# The class server on a private PostgreSQL cluster: two learners' machines
# record locally and sync; --class-report lists both with their figures, by
# class, number and the teacher's list where set; a
# server stopped mid-lesson gets the runs made meanwhile exactly once when it
# is back, also after a crash between sending and marking; the learners'
# role reads no one's rows; a class's year moves to the archive; a synced
# pass reaches the teacher's listener through the server's notice.
set -euo pipefail
BUILD="$1"
BIN="$BUILD/src/shurencho"
LEARNER="$BUILD/tests/class_learner"
WORK="$(mktemp -d)"
chmod 0755 "$WORK" # the cluster runs as nobody when we are root
source "$(dirname "${BASH_SOURCE[0]}")/pg_cluster.sh"
cleanup() {
  [ -n "${PG_DIR:-}" ] && pg_stop 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

rc=0
pg_start "$WORK/pg" || rc=$?
if [ "$rc" = 3 ]; then
  echo "skipped: PostgreSQL (initdb, psql) is not installed; scripts/setup.sh installs it"
  exit 0
fi
[ "$rc" = 0 ] || fail "the cluster did not start: $(cat "$WORK/pg/"*.log)"
pg_psql postgres -f "$(dirname "${BASH_SOURCE[0]}")/../../packaging/class_server.sql"
# A second run changes nothing and does not fail.
pg_psql postgres -f "$(dirname "${BASH_SOURCE[0]}")/../../packaging/class_server.sql"
# The server's tables are the local file's, plus the row names, the class figures and the class lists.
"$LEARNER" columns "$WORK/shape.sqlite" >"$WORK/local.txt"
pg_psql postgres -At -c "SELECT table_name || '.' || column_name FROM information_schema.columns
  WHERE table_schema = 'public' AND column_name <> 'sync_id' AND table_name NOT IN ('schema_version', 'course_tally', 'tally_rules', 'classes', 'roster', 'presence', 'assignments')" |
  LC_ALL=C sort >"$WORK/server.txt"
LC_ALL=C sort -o "$WORK/local.txt" "$WORK/local.txt"
diff "$WORK/local.txt" "$WORK/server.txt" || fail "the server's tables differ from the local file's"
LEARN="$(pg_server_text shurencho_learner)"
TEACH="$(pg_server_text shurencho_teacher)"
count() { pg_psql postgres -At -c "$1"; }

A="$WORK/aoki/history.sqlite"
B="$WORK/ito/history.sqlite"
"$LEARNER" practise "$A" 青木 3 1 42
"$LEARNER" practise "$B" 伊藤 2 2 25
[ "$("$LEARNER" sync "$A" "$LEARN")" = "sent 15" ] || fail "青木's first sync"
[ "$("$LEARNER" sync "$B" "$LEARN")" = "sent 10" ] || fail "伊藤's first sync"
[ "$("$LEARNER" sync "$A" "$LEARN")" = "sent 0" ] || fail "a second sync sent again"
echo "two learners synced"

# The teacher's installed default names the server; no user settings at all.
mkdir -p "$WORK/xdg" "$WORK/home"
printf '[History]\r\nServer=%s\r\n' "$TEACH" >"$WORK/xdg/shurencho.ini"
report() {
  HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_CONFIG_DIRS="$WORK/xdg" "$BIN" --class-report "$@"
}
report "$WORK/class.html" 2>"$WORK/err.txt" || fail "--class-report: $(cat "$WORK/err.txt")"
grep -q '<tr><td>青木</td><td class="n">42' "$WORK/class.html" || fail "青木's 特訓1 best"
grep -q '<tr><td>伊藤</td><td class="n">－</td><td class="n">－</td><td class="n">25' "$WORK/class.html" ||
  fail "伊藤's 特訓2 best"
grep -q 'つ（6）' "$WORK/class.html" || fail "青木's weak kana"
grep -q '迷路 3' "$WORK/class.html" || fail "青木's maze stage"
[ "$(grep -c '^<tr><td>' "$WORK/class.html")" -eq 2 ] || fail "not one row per learner"
echo "class report lists both learners"

# The server goes away mid-lesson: the runs stay in the local file.
pg_stop
"$LEARNER" practise "$A" 青木 2 1 50
if "$LEARNER" sync "$A" "$LEARN" 2>"$WORK/err.txt"; then fail "a sync to a stopped server succeeded"; fi
if report "$WORK/down.html" 2>"$WORK/err.txt"; then fail "a report without its server succeeded"; fi
[ -s "$WORK/err.txt" ] || fail "no message for the stopped server"
pg_resume
# A crash between the server's commit and the local mark: sent again, kept once.
[ "$("$LEARNER" send-only "$A" "$LEARN")" = "sent 10 unmarked" ] || fail "send before the crash"
[ "$("$LEARNER" sync "$A" "$LEARN")" = "sent 10" ] || fail "the resend after the crash"
[ "$(count "SELECT COUNT(*) FROM typing_runs t JOIN learners l ON l.id = t.learner WHERE l.name = '青木'")" = 5 ] ||
  fail "青木's runs on the server are not 5"
[ "$(count "SELECT COUNT(*), COUNT(DISTINCT sync_id) FROM key_misses")" = "14|14" ] || fail "misses kept twice"
[ "$(count "SELECT SUM(misses) FROM miss_tally")" = 14 ] || fail "the tally counted a resent row"
report "$WORK/class.html" || fail "report after the outage"
grep -Eq '<tr><td>青木</td><td class="n">50 .</td><td class="n">50 .</td>' "$WORK/class.html" || fail "the runs made offline"
echo "runs made while the server was down arrived once"
# A run left before its end is kept but never becomes a best.
pg_psql postgres -c "INSERT INTO typing_runs SELECT learner, at_ms + 1, course, text_name, characters, keystrokes,
  refused, seconds, 999, keys_per_minute, accuracy, '途中', sync_id || 'x' FROM typing_runs WHERE course = 1 LIMIT 1" \
  >/dev/null
[ "$(count "SELECT MAX(best) FROM course_tally WHERE course = 1")" != 999 ] || fail "a run left unfinished became a best"
# The 成績 window the teacher opens from a row reads that learner alone.
got="$("$LEARNER" read "$TEACH" 青木)"
[ "$got" = "runs 6 mouse 5 weakest つ×10 keys 50" ] || fail "青木's history on the server: $got"

# The learners' role adds rows but reads none, its own included.
for table in typing_runs key_misses learners miss_tally; do
  if pg_psql shurencho_learner -c "SELECT * FROM $table" >/dev/null 2>&1; then fail "a learner read $table"; fi
done
pg_psql shurencho_teacher -c "SELECT * FROM typing_runs" >/dev/null || fail "the teacher cannot read"
if pg_psql shurencho_teacher -c "DELETE FROM typing_runs" 2>/dev/null; then fail "the teacher changed rows"; fi
echo "the learners' role reads no rows"

# The 級 of the best test and each かな入力 course have their columns; a
# server set up by the older script is told, then upgraded in place by
# running the script again, its tallies summed again from the runs.
"$LEARNER" practise "$B" 伊藤 1 13 30
"$LEARNER" practise "$B" 伊藤 1 20 52
# The school year goes with the rows; the server keeps the one sent last.
"$LEARNER" year "$B" 小6
"$LEARNER" sync "$B" "$LEARN" >/dev/null || fail "伊藤's かな入力 and test runs"
"$LEARNER" year "$B" 中1
"$LEARNER" practise "$B" 伊藤 1 20 52
"$LEARNER" sync "$B" "$LEARN" >/dev/null || fail "伊藤's year changed"
[ "$(count "SELECT string_agg(name || ':' || school_year, ',') FROM learners WHERE name = '伊藤' OR school_year <> ''")" = "伊藤:中1" ] ||
  fail "the years on the server"
pg_psql postgres -c "ALTER TABLE course_tally DROP COLUMN accuracy_sum, DROP COLUMN accuracy_runs;
  DELETE FROM tally_rules WHERE version = 3" >/dev/null
if report "$WORK/old.html" 2>"$WORK/err.txt"; then fail "a report from the older tables"; fi
grep -q 'class_server.sql' "$WORK/err.txt" || fail "the older tables are not told: $(cat "$WORK/err.txt")"
pg_psql postgres -f "$(dirname "${BASH_SOURCE[0]}")/../../packaging/class_server.sql"
report "$WORK/class.html" || fail "report after the upgrade"
grep -q '<td class="nw">3級</td><td class="n">90.0%</td>' "$WORK/class.html" || fail "伊藤's 級 and accuracy"
grep -q 'かな入力' "$WORK/class.html" || fail "no かな入力 column"
grep -q '<tr><td>伊藤</td><td class="nw">中1</td>' "$WORK/class.html" || fail "伊藤's year in the class table"
echo "the 級, 学年 and かな入力 columns, also after an upgrade"

# Class and number go with the rows; the teacher's list gives the name. A
# list with a bad line is refused whole, naming the line.
"$LEARNER" class "$A" 5-2 17
"$LEARNER" practise "$A" 青木 1 1 40
"$LEARNER" sync "$A" "$LEARN" >/dev/null || fail "青木's class"
roster() {
  HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_CONFIG_DIRS="$WORK/xdg" "$BIN" --class-roster "$1"
}
printf '出席番号,氏名\r\n17,青木 一郎\r\n3,伊藤 花子\r\n' | iconv -f UTF-8 -t CP932 >"$WORK/5-2.csv"
roster "$WORK/5-2.csv" >/dev/null || fail "the Shift-JIS list"
mkdir -p "$WORK/bad"
printf '\xEF\xBB\xBF1,上田\n2,\n1x,木村\n' >"$WORK/bad/5-2.csv"
if roster "$WORK/bad/5-2.csv" 2>"$WORK/err.txt"; then fail "a list with bad lines was taken"; fi
grep -q '5-2.csv:2: 氏名がありません' "$WORK/err.txt" && grep -q '5-2.csv:3: 出席番号' "$WORK/err.txt" ||
  fail "the bad lines are not named: $(cat "$WORK/err.txt")"
[ "$(count "SELECT string_agg(number || name, ',' ORDER BY number) FROM roster")" = "3伊藤 花子,17青木 一郎" ] ||
  fail "the list on the server"
report "$WORK/class.html" || fail "report with the list"
grep -q '<tr><td>5-2-17 青木 一郎</td>' "$WORK/class.html" || fail "青木 by class, number and listed name"
# The learners' machines read the class codes and nothing of the lists.
[ "$(pg_psql shurencho_learner -At -c "SELECT code FROM classes")" = 5-2 ] || fail "a learner cannot read the codes"
for sql in "SELECT * FROM roster" "INSERT INTO roster VALUES ('5-2', 9, 'x')" "INSERT INTO classes VALUES ('6-1')"; do
  if pg_psql shurencho_learner -c "$sql" >/dev/null 2>&1; then fail "a learner ran: $sql"; fi
done
echo "class lists: loaded, refused with the bad lines, read by the teacher alone"

# The year's end: 青木's class (5-2, as his machine sent it) goes to the archive, out of the live table
# and the class window's read, and comes back in that year's report.
archive() {
  HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_CONFIG_DIRS="$WORK/xdg" "$BIN" --class-archive "$@"
}
year=$(date +%Y)
[ "$(date +%-m)" -ge 4 ] || year=$((year - 1))
aoki_runs="$(count "SELECT COUNT(*) FROM typing_runs t JOIN learners l ON l.id = t.learner WHERE l.name = '青木'")"
out="$(archive 5-2 --year $((year - 1)))" || fail "archiving last year"
[[ "$out" == *"移す記録はありません"* ]] || fail "last year had nothing to move: $out"
out="$(archive 5-2)" || fail "--class-archive: $out"
[[ "$out" == *"typing_runs $aoki_runs"* ]] || fail "the runs moved: $out"
[ "$(count "SELECT COUNT(*) FROM course_tally t JOIN learners l ON l.id = t.learner WHERE l.name = '青木'")
$(count "SELECT COUNT(*) FROM miss_tally t JOIN learners l ON l.id = t.learner WHERE l.name = '青木'")" = "0
0" ] || fail "青木's tallies stayed live"
out="$(archive 5-2 --year "$year")" || fail "the second archive"
[[ "$out" == *"移す記録はありません"* ]] || fail "the second archive moved rows: $out"
# A row sent again after a crash stays in the archive only.
pg_psql postgres -c "INSERT INTO typing_runs SELECT learner, at_ms, course, text_name, characters, keystrokes,
  refused, seconds, chars_per_minute, keys_per_minute, accuracy, grade, sync_id FROM archive.typing_runs
  ON CONFLICT DO NOTHING" >/dev/null
[ "$(count "SELECT COUNT(*) FROM typing_runs t JOIN learners l ON l.id = t.learner WHERE l.name = '青木'")" = 0 ] ||
  fail "an archived run came back live"
report "$WORK/class.html" || fail "report after the archive"
grep -q '<tr><td>5-2-17 青木 一郎</td>' "$WORK/class.html" && fail "青木 is still in the live report"
grep -q '<tr><td>伊藤</td>' "$WORK/class.html" || fail "伊藤 left the live report"
[ "$("$LEARNER" read "$TEACH" 青木 2>&1)" = "read: no such learner" ] || fail "the class window still lists 青木"
report "$WORK/year.html" --year "$year" || fail "the year's report"
grep -Eq '<tr><td>5-2-17 青木 一郎</td><td class="n">50 .</td>' "$WORK/year.html" || fail "青木's year in the archive"
grep -q '<tr><td>伊藤</td>' "$WORK/year.html" && fail "伊藤 was not archived"
grep -q '>つ（' "$WORK/year.html" || fail "the archived weak kana"
if pg_psql shurencho_learner -c "SELECT * FROM archive.typing_runs" >/dev/null 2>&1; then fail "a learner read the archive"; fi
if archive 5-2 "postgresql://nobody@/none?host=$WORK/none" 2>"$WORK/err.txt"; then fail "an archive without a server"; fi
grep -q '^shurencho: ' "$WORK/err.txt" || fail "no message for the missing server"
echo "a class's year moves to the archive and its report"
# The live class view: a pass synced reaches the teacher's listener, told
# by the server with the learner's number; five refusals of one kana in the
# pass show the learner as stuck on it.
listen() {
  "$LEARNER" listen "$TEACH" >"$WORK/listen.txt" 2>&1 &
  listener=$!
  for _ in $(seq 300); do
    grep -q '^listening' "$WORK/listen.txt" && break
    sleep 0.1
  done
  grep -q '^listening' "$WORK/listen.txt" || fail "the listener did not subscribe: $(cat "$WORK/listen.txt")"
}
listen
C="$WORK/ueda/history.sqlite"
"$LEARNER" practise "$C" 上田 1 1 30 5
"$LEARNER" sync "$C" "$LEARN" >/dev/null || fail "上田's sync"
wait "$listener" || fail "no notice reached the listener: $(cat "$WORK/listen.txt")"
[ "$(sed -n 2p "$WORK/listen.txt")" = "notified $(count "SELECT id FROM learners WHERE name = '上田'")" ] ||
  fail "the notice: $(cat "$WORK/listen.txt")"
[ "$(sed -n 3p "$WORK/listen.txt")" = "today －|1|30|とまっている（つ×5）|" ] || fail "上田's day: $(cat "$WORK/listen.txt")"
echo "a synced pass reaches the teacher's listener, stuck on a kana"
# 伊藤's program says it is open on コース2 with no item ended for 200 s:
# the class sees where, and that 伊藤 is stuck; the learners' role tells
# where it is but reads no one's.
listen
machine="$(count "SELECT machine FROM learners WHERE name = '伊藤'")"
pg_psql shurencho_learner -c "SELECT shurencho_presence('伊藤', '$machine', 'コース2', 2, 200000)" >/dev/null ||
  fail "a learner cannot say where it is"
wait "$listener" || fail "no presence notice: $(cat "$WORK/listen.txt")"
[[ "$(sed -n 3p "$WORK/listen.txt")" == "today いま：コース2|"*"|とまっている|" ]] || fail "伊藤's place: $(cat "$WORK/listen.txt")"
if pg_psql shurencho_learner -c "SELECT * FROM presence" >/dev/null 2>&1; then fail "a learner read presence"; fi
echo "where a learner is, and stuck without a new item"
# The teacher sets 5-2 an assignment; both learners' machines read it at a
# sync, keep it, and still show it with the server stopped.
assign() {
  HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config" XDG_CONFIG_DIRS="$WORK/xdg" "$BIN" --class-assign "$@"
}
"$LEARNER" practise "$B" 伊藤 1 2 30
assign 5-2 コース2 3 --until 2999-12-20 >/dev/null || fail "--class-assign"
[[ "$(assign 5-2)" == *"コース2 を 3回（2999-12-20 まで）"* ]] || fail "the assignment is not listed"
"$LEARNER" class "$B" 5-2 3
"$LEARNER" practise "$B" 伊藤 1 2 30
"$LEARNER" sync "$A" "$LEARN" >/dev/null || fail "sync of $A"
# The class window counts 伊藤's pass since the setting, not those before.
listen
"$LEARNER" sync "$B" "$LEARN" >/dev/null || fail "sync of $B"
wait "$listener" || fail "no notice of 伊藤's pass: $(cat "$WORK/listen.txt")"
[[ "$(sed -n 3p "$WORK/listen.txt")" == "today "*"|1／3" ]] || fail "伊藤's progress: $(cat "$WORK/listen.txt")"
[ "$("$LEARNER" assignments "$A")" = "きょうの課題：コース2 を 3回（0回おわり）" ] || fail "青木's assignment"
pg_stop
"$LEARNER" practise "$B" 伊藤 2 2 30
[ "$("$LEARNER" assignments "$B")" = "きょうの課題はおわりました" ] || fail "伊藤's assignment offline"
pg_resume
pg_psql shurencho_learner -c "SELECT * FROM assignments" >/dev/null || fail "a learner cannot read the assignments"
for sql in "DELETE FROM assignments" "INSERT INTO assignments (class_code, kind, set_ms) VALUES ('5-2', 'test', 0)"; do
  if pg_psql shurencho_learner -c "$sql" >/dev/null 2>&1; then fail "a learner ran: $sql"; fi
done
echo "an assignment reaches two learners and stays offline"
echo "1 passed, 0 failed"
