#!/usr/bin/env bash
# The settings file as an ordinary user meets it. Each run is one start and
# close of the program (settings_writer --session): a read-only file, a folder
# that takes no new file, someone else's shared file, an unreadable file, a
# FIFO, and a second copy beside one that is then killed.
set -euo pipefail
BUILD="$1"
WRITER="$BUILD/tests/settings_writer"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
chmod 0755 "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

# Root may write any file: the runs go as nobody then.
AS=()
if [ "$(id -u)" = 0 ]; then
  runuser -u nobody -- true 2>/dev/null || { echo "skipped: no unprivileged user to run as"; exit 0; }
  AS=(runuser -u nobody --)
fi

# session FILE SPEED: one start and close; the program's words in OUT.
session() {
  local rc=0
  OUT="$(timeout 20 "${AS[@]}" "$WRITER" --session "$1" "$2")" || rc=$?
  [ "$rc" != 124 ] || fail "start-up blocked on $1"
}
# case NAME: a fresh folder anyone may write, with the settings file F in it.
case_dir() {
  D="$WORK/$1"
  mkdir "$D"
  chmod 0777 "$D"
  F="$D/shurencho.ini"
}
speeds() { tr -d '\r' <"$F" | sed -n 's/^KeySpeed=//p'; }
LOAD_WARNING='warning: 練習記録の作成・読込に失敗しました'

case_dir readonly
printf '[Result]\r\nKeySpeed=1,2,3,4,5,6\r\n' >"$F"
chmod 0444 "$F"
cp -p "$F" "$D/before"
session "$F" 77
grep -q "$LOAD_WARNING" <<<"$OUT" || fail "read-only file: no start-up warning: $OUT"
grep -q 'save failed' <<<"$OUT" || fail "read-only file: no close warning"
cmp -s "$F" "$D/before" || fail "read-only file was replaced"
echo "read-only file: both warnings, file as it was"

case_dir locked
printf '[Result]\r\nKeySpeed=1,2,3,4,5,6\r\n' >"$F"
chmod 0666 "$F"
chmod 0555 "$D"
session "$F" 77
[ -z "$(grep -v '^started$' <<<"$OUT")" ] || fail "locked folder: $OUT"
[ "$(speeds)" = "77,2,3,4,5,6" ] || fail "locked folder: records not kept: $(speeds)"
echo "locked folder: saved in place"

if [ ${#AS[@]} -gt 0 ]; then
  case_dir shared
  printf '[Result]\r\nKeySpeed=1,2,3,4,5,6\r\n' >"$F"
  chmod 0666 "$F"
  session "$F" 77
  [ "$(speeds)" = "77,2,3,4,5,6" ] || fail "shared file: records not kept"
  [ "$(stat -c %U:%a "$F")" = "root:666" ] || fail "shared file changed hands: $(stat -c %U:%a "$F")"
  echo "someone else's shared file: saved, owner and mode kept"
fi

case_dir unreadable
printf '[Result]\r\nKeySpeed=10,20,30,40,50,60\r\nM1CourseNo=7\r\n' >"$F"
cp "$F" "$D/before"
chmod 0000 "$F"
session "$F" 77
grep -q "$LOAD_WARNING.*$F" <<<"$OUT" || fail "unreadable file: no warning naming it: $OUT"
chmod 0644 "$F"
cmp -s "$F" "$D/before" || fail "unreadable file was written"
echo "unreadable file: named in the warning, left as it was"

case_dir fifo
mkfifo "$F"
session "$F" 77
grep -q "$LOAD_WARNING.*$F" <<<"$OUT" || fail "FIFO: no warning naming it: $OUT"
[ -p "$F" ] || fail "FIFO replaced"
echo "FIFO: named in the warning, start-up went on"

# Two copies: the second is told its records are not kept; once the first is
# killed, its lock is gone and the next copy keeps its records. Rights play no
# part here, so every copy runs as this user and the first is killed itself.
AS=()
case_dir copies
"$WRITER" --session "$F" 11 60 >"$D/first.out" &
first=$!
for _ in $(seq 100); do grep -q started "$D/first.out" && break; sleep 0.1; done
session "$F" 22
grep -q 'warning: 打鍵修練帖がすでに起動しています' <<<"$OUT" || fail "second copy not told: $OUT"
[ "$(speeds)" != "22,0,0,0,0,0" ] || fail "second copy saved over the first"
kill -9 "$first"
wait "$first" 2>/dev/null || true
session "$F" 33
grep -q warning <<<"$OUT" && fail "a killed copy's lock still counts: $OUT"
[ "$(speeds)" = "33,0,0,0,0,0" ] || fail "next copy's records not kept: $(speeds)"
echo "two copies: the second told; a killed copy's lock does not stay"
echo "1 passed, 0 failed"
