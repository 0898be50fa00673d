#!/usr/bin/env bash
# A history file cut short to its header: the program finds it at start-up
# and tells it once in a small window beside the main one, no box; the keys
# stay with the drill, whose records wait in the journal; a logout says on
# stderr how many records could not be written.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

mkdir -p "$E2E_DIR/data/shurencho"
{ printf 'SQLite format 3\0'; head -c 84 /dev/zero; } >"$E2E_DIR/data/shurencho/history.sqlite"
start_app
NOTICE="$(find_window '^学習履歴$')"
[ -n "$NOTICE" ] || fail "the fault was not told beside the window"
[ "$(xdotool search --onlyvisible --name '^学習履歴$' | wc -l)" = 1 ] || fail "the fault was told more than once"
xdotool search --onlyvisible --name '^警告$' >/dev/null 2>&1 && fail "a box was shown"
[ "$(xdotool getwindowfocus)" = "$WIN" ] || fail "the notice took the keyboard"
shot history_notice
# あ い う of course 3: three items finished with the keyboard where it was.
xdotool type --delay 150 "aiu"
for _ in $(seq 50); do [ -s "$E2E_DIR/data/shurencho/history.sqlite.pending" ] && break; sleep 0.1; done
[ -s "$E2E_DIR/data/shurencho/history.sqlite.pending" ] || fail "the drill's records did not reach the journal"
kill -TERM "$E2E_PID"
wait_exit
grep -q '書き込めなかった記録が [0-9]* 件' "$E2E_DIR/app.log" || fail "the close did not say what waits: $(cat "$E2E_DIR/app.log")"
[ "$(wc -c <"$E2E_DIR/data/shurencho/history.sqlite")" = 100 ] || fail "the damaged file was written"

# Closed from the menu, the close says so in a box after the window has
# gone; a logout while that box is up still ends the program at once.
start_app
xdotool type --delay 150 "aiu"
focus_window
xdotool key alt+f
sleep 0.4
xdotool key x
BOX="$(find_window '宙文舎')"
for _ in $(seq 100); do
  BOX="$(xdotool search --onlyvisible --name '宙文舎' 2>/dev/null | head -1 || true)"
  [ -n "$BOX" ] && [ "$BOX" != "$WIN" ] && break
  kill -0 "$E2E_PID" 2>/dev/null || break
  sleep 0.1
done
[ -n "$BOX" ] && [ "$BOX" != "$WIN" ] || fail "the close told nothing of the records that waited"
kill -TERM "$E2E_PID"
for _ in $(seq 20); do kill -0 "$E2E_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$E2E_PID" 2>/dev/null && fail "a logout did not end the program while its closing box was up"
wait_exit
echo "history notice: a damaged file told once beside the window, the keys stayed with the drill"
