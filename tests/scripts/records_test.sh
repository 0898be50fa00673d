#!/usr/bin/env bash
# Records are never lost: the settings file is killed mid-save many times and
# is each time one whole save; two writers at once never mix; on a full file
# system or where the file may not be written a save fails, says so, and
# leaves the old file as it was.
set -euo pipefail
BUILD="$1"
WRITER="$BUILD/tests/settings_writer"
WORK="$(mktemp -d)"
MNT=""
cleanup() {
  [ -n "$MNT" ] && umount "$MNT" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
INI="$WORK/shurencho.ini"

# A file is whole when it decodes, holds every key once, and every record
# carries the same round number.
check_whole() {
  local text speeds stage
  text="$(iconv -f CP932 -t UTF-8 "$INI" | tr -d '\r')" || { echo "FAIL: not CP932 text"; return 1; }
  [ "$(grep -c '=' <<<"$text")" -eq 29 ] || { echo "FAIL: $(grep -c '=' <<<"$text") keys"; return 1; }
  grep -qx 'HelpFile="readme.htm"' <<<"$text" || { echo "FAIL: cut short"; return 1; }
  speeds="$(sed -n 's/^KeySpeed=//p' <<<"$text")"
  stage="$(sed -n 's/^M1CourseNo=//p' <<<"$text")"
  [ "$speeds" = "$stage,$stage,$stage,$stage,$stage,$stage" ] || { echo "FAIL: mixed saves: $speeds / $stage"; return 1; }
  grep -q "^CourseName06=\".*$stage\"$" <<<"$text" || { echo "FAIL: mixed saves in the texts"; return 1; }
}

"$WRITER" "$INI" 1
kills=0
for i in $(seq 1 150); do
  "$WRITER" "$INI" &
  pid=$!
  sleep "0.0$((RANDOM % 9 + 1))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kills=$((kills + 1))
  check_whole
done
# No temporary files are left behind to be mistaken for records either.
leftover="$(find "$WORK" -maxdepth 1 -name 'shurencho.ini?*' | wc -l)"
[ "$leftover" -le 1 ] || { echo "FAIL: $leftover temporary files left behind"; exit 1; }
echo "killed $kills times mid-save; the file was whole every time ($leftover stray temporary files)"

# Two copies closing at once: while both save over and over, the file is
# always one whole save of one of them, and in the end the last one's.
"$WRITER" "$INI" 300 0 &
a=$!
"$WRITER" "$INI" 300 50000 &
b=$!
while kill -0 "$a" 2>/dev/null || kill -0 "$b" 2>/dev/null; do check_whole; done
wait "$a" || { echo "FAIL: a save failed beside another"; exit 1; }
wait "$b" || { echo "FAIL: a save failed beside another"; exit 1; }
check_whole
stage="$(tr -d '\r' <"$INI" | sed -n 's/^M1CourseNo=//p')"
[ "$stage" = 300 ] || [ "$stage" = 50300 ] || { echo "FAIL: neither copy's last save: $stage"; exit 1; }
echo "two writers at once: the file was one whole save every time"

# Read-only folder: the save fails and the file stays byte for byte.
cp "$INI" "$WORK/before"
chmod 0555 "$WORK"
if runuser -u nobody -- true 2>/dev/null; then
  chmod 0644 "$INI"
  if runuser -u nobody -- "$WRITER" "$INI" 1 2>/dev/null; then echo "FAIL: a save into a read-only folder reported success"; exit 1; fi
  cmp -s "$INI" "$WORK/before" || { echo "FAIL: the old file changed"; exit 1; }
  echo "read-only folder: save refused, old file intact"
fi
chmod 0755 "$WORK"

# Full file system: a small tmpfs that the save does not fit.
MNT="$WORK/full"
mkdir -p "$MNT"
if mount -t tmpfs -o size=16k tmpfs "$MNT" 2>/dev/null; then
  cp "$INI" "$MNT/shurencho.ini"
  cat /dev/zero > "$MNT/filler" 2>/dev/null || true
  cp "$MNT/shurencho.ini" "$WORK/before"
  if "$WRITER" "$MNT/shurencho.ini" 1 2>/dev/null; then echo "FAIL: a save on a full disk reported success"; exit 1; fi
  cmp -s "$MNT/shurencho.ini" "$WORK/before" || { echo "FAIL: the old file changed on a full disk"; exit 1; }
  echo "full file system: save refused, old file intact"
else
  # Without the right to mount, a file size limit stands in for the full disk.
  cp "$INI" "$WORK/before"
  if (ulimit -f 4; "$WRITER" "$INI" 1 2>/dev/null); then echo "FAIL: a save past the size limit reported success"; exit 1; fi
  cmp -s "$INI" "$WORK/before" || { echo "FAIL: the old file changed"; exit 1; }
  echo "size limit: save refused, old file intact"
fi

# The learning history on a disk that fills up during a session: the records
# of its close wait in the journal beside the file, the close says how many,
# and the next start, with the space back, writes every one of them.
HW="$BUILD/tests/history_service_writer"
if [ -n "$MNT" ]; then umount "$MNT" 2>/dev/null || true; fi
MNT=""
HMNT="$WORK/history"
mkdir -p "$HMNT"
if mount -t tmpfs -o size=4m tmpfs "$HMNT" 2>/dev/null; then
  MNT="$HMNT"
  H="$HMNT/history.sqlite"
  [ "$("$HW" "$H" 5 </dev/null | tail -1)" = "unwritten=0 kept=1" ] || { echo "FAIL: a first session lost records"; exit 1; }
  coproc WRITER { "$HW" "$H" 200; }
  read -r opened <&"${WRITER[0]}"
  [ "$opened" = "open ok" ] || { echo "FAIL: the history did not open: $opened"; exit 1; }
  cat /dev/zero >"$HMNT/filler" 2>/dev/null || true
  echo go >&"${WRITER[1]}"
  read -r closed <&"${WRITER[0]}"
  wait "$WRITER_PID" || true
  # Some of the 200 items may still have fitted; the rest wait in the journal.
  [[ "$closed" =~ ^unwritten=[1-9][0-9]*\ kept=1$ ]] || { echo "FAIL: full disk at close: $closed"; exit 1; }
  rm -f "$HMNT/filler"
  [ "$("$HW" "$H" 0 </dev/null | tail -1)" = "unwritten=0 kept=1" ] || { echo "FAIL: the journal was not written"; exit 1; }
  items="$(sqlite3 "$H" 'SELECT COUNT(*) FROM drill_items')"
  [ "$items" = 205 ] || { echo "FAIL: $items items after the space came back, 205 expected"; exit 1; }
  [ ! -s "$H.pending" ] || { echo "FAIL: the journal still holds records"; exit 1; }
  umount "$HMNT"
  MNT=""
  waited="${closed#unwritten=}"
  echo "history on a full disk: ${waited%% *} records kept at close, all written at the next start"
fi
echo "1 passed, 0 failed"
