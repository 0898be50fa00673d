#!/usr/bin/env bash
# The keyboard guide and the 実力テスト window as a screen reader hears them
# (AT-SPI), under a window manager: at the first start the guide opens by
# itself, its whole frame beside the main window's and on the screen; its
# button starts course 1 and a short pass, sums the pass up and begins the
# next, the keyboard staying with the drill; the test window's figures are
# read with words saying what they are.
# On a private session bus, so the accessibility bus is this test's alone.
if [ -z "${GUIDE_A11Y_BUS:-}" ]; then
  GUIDE_A11Y_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
# No input method, so the keys reach the drill as typed; no accessibility
# bus but this test's, for the program and the reader alike.
unset QT_IM_MODULE XMODIFIERS AT_SPI_BUS_ADDRESS
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
READER=(/usr/bin/python3 "$(dirname "$0")/atspi_tree.py")

# Runs the command until it succeeds, for at most $1 seconds by the clock (a
# read through the bus is slow on a loaded machine); fails when it never does.
within() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# The accessibility bus and the window manager, ended before the X server.
BUS_PID="" WM_PID=""
stop_desktop() {
  local pid
  for pid in $WM_PID $BUS_PID; do kill "$pid" 2>/dev/null || true; done
  finish_on_exit
}
trap stop_desktop EXIT
mkdir -m 700 "$E2E_DIR/run"
# Its socket in the test's folder, not in the user's cache.
XDG_RUNTIME_DIR="$E2E_DIR/run" /usr/libexec/at-spi-bus-launcher --launch-immediately \
  >"$E2E_DIR/atspi.log" 2>&1 &
BUS_PID=$!
bus_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q 'boolean true'
}
within 10 bus_up || fail "the accessibility bus did not start: $(cat "$E2E_DIR/atspi.log")"
openbox --sm-disable >"$E2E_DIR/openbox.log" 2>&1 &
WM_PID=$!
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
within 10 wm_up || fail "openbox did not start: $(cat "$E2E_DIR/openbox.log")"

printf '[Guide]\r\nPassItems=5\r\n' >"$E2E_DIR/shurencho.ini"
start_app
READER+=(--pid "$E2E_PID")

# A window's frame, the window manager's decoration included: x y width height.
frame_of() {
  local x y w h l r t b
  read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4}
    /Absolute upper-left Y/ {y = $4} /^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print x, y, w, h}')
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,)
  [ -n "$b" ] || return 1
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
# Whether the guide's frame is clear of the main window's and on the screen.
guide_placed() {
  local mx my mw mh gx gy gw gh
  read -r mx my mw mh < <(frame_of "$WIN") || return 1
  read -r gx gy gw gh < <(frame_of "$GUIDE") || return 1
  PLACES="main $mx $my ${mw}x$mh, guide $gx $gy ${gw}x$gh"
  [ "$gx" -ge 0 ] && [ "$gy" -ge 0 ] && [ $((gx + gw)) -le 1024 ] && [ $((gy + gh)) -le 768 ] &&
    { [ $((gx + gw)) -le "$mx" ] || [ $((mx + mw)) -le "$gx" ] ||
      [ $((gy + gh)) -le "$my" ] || [ $((my + mh)) -le "$gy" ]; }
}

# The guide's showing labels, one name a line; its push buttons.
guide() { "${READER[@]}" --within キーボードガイド --wait 5 || true; }
guide_labels() { guide | awk -F'\t' '$1 == "label" {print $2}'; }
guide_buttons() { guide | awk -F'\t' '$1 == "push button" {print $2}'; }
# Waits (at most 20 s) until the condition $2 holds of the guide's labels, read into LABELS.
labels_hold() {
  LABELS="$(guide_labels)"
  eval "$1"
}
wait_labels() { within 20 labels_hold "$2" || fail "$1; the guide reads: $(tr '\n' '|' <<<"$LABELS")"; }
has() { grep -qF -- "$1" <<<"$LABELS"; }
press() { "${READER[@]}" --within "$1" --press "$2" || fail "could not press $2 in $1"; }
# Whether the open menu shows an item beginning with $1.
menu_shows() { "${READER[@]}" --wait 1 2>/dev/null | grep -q $'^menu item\t'"$1"; }
keyboard_on_drill() {
  [ "$(xdotool getwindowfocus)" = "$WIN" ] || fail "$1 took the keyboard from the main window"
}

# 1, 2: the first start's guide, beside the main window, frames and all.
guide_window() {
  GUIDE="$(xdotool search --onlyvisible --name '^キーボードガイド$' 2>/dev/null | head -1 || true)"
  [ -n "$GUIDE" ]
}
within 20 guide_window || fail "the guide did not open by itself at the first start"
PLACES=""
within 10 guide_placed || fail "the guide's frame covers the main window's or leaves the screen: $PLACES"

# 3: the welcome, heard; its button starts course 1, the keyboard left with the drill.
wait_labels "the welcome does not name the home position and F3" 'has ホームポジション && has F3'
guide_buttons | grep -qxF 'コース1 から はじめよう' || fail "the welcome's button is not heard"
shot guide_a11y_welcome
press キーボードガイド 'コース1 から はじめよう'
wait_labels "course 1 did not start from the guide's button" 'grep -qE "^次のキー：[A-Z]　.+指" <<<"$LABELS"'
keyboard_on_drill "the guide's button"

# 4: a short pass typed by the key the guide names, then its summary.
for _ in $(seq 15); do
  LABELS="$(guide_labels)"
  has おわり && break
  key="$(sed -n 's/^次のキー：\([A-Z]\)　.*/\1/p' <<<"$LABELS" | head -1)"
  [ -n "$key" ] || fail "no next key in the guide: $(tr '\n' '|' <<<"$LABELS")"
  xdotool key "${key,,}"
  # Taken when the guide changes; a repeated letter may change nothing.
  within 2 eval '[ "$(guide_labels)" != "$LABELS" ]' || true
done
wait_labels "the pass was not summed up" 'has "コース1 おわり" && has 字／分 && has 評価'
has 30秒より短いので計測しません || fail "a pass under 30 s is not said to go unmeasured: $(tr '\n' '|' <<<"$LABELS")"
step="$(guide_buttons | grep -xE 'もう一度|次は コース2|苦手練習をしよう' | head -1 || true)"
[ -n "$step" ] || fail "the summary offers no next step: $(guide_buttons | tr '\n' '|')"
shot guide_a11y_summary
press キーボードガイド "$step"
wait_labels "「$step」 did not begin a pass" '! has おわり && grep -qxF "0／5" <<<"$LABELS"'
keyboard_on_drill "「$step」"

# 5: the 実力テスト window's figures, each with its words, before and after its start.
focus_window
xdotool key alt+r
within 5 menu_shows 実力テスト || fail "Alt+R did not open the 練習 menu"
xdotool key t
TEST="$(find_window '^実力テスト$')"
[ -n "$TEST" ] || fail "練習 → 実力テスト did not open the test window"
# Whether the test window is heard: its passage named, its result line
# described, and a line of it (role, name, description) matching $1.
test_reads() {
  local tree
  tree="$({ "${READER[@]}" --within 実力テスト --wait 5 || true; } | cut -f1-3)"
  grep -qE $'^text\t課題文\t' <<<"$tree" && grep -qE $'^label\t.*\t結果$' <<<"$tree" && grep -qE "$1" <<<"$tree"
}
within 10 test_reads $'^label\tのこり 3:00\t残り時間$' ||
  fail "the test window's time, passage or result is not heard"
press 実力テスト はじめ
within 10 test_reads $'^label\tのこり 2:[0-5][0-9]\t残り時間$' || fail "the time left is not heard counting down"
test_reads $'^label\t正しく打てた字：[0-9]+ 字\t打てた字$' || fail "the characters typed are not heard with their words"
shot guide_a11y_skill_test

# 6: closed through the menu, and ended cleanly.
focus_window
xdotool key alt+f
within 5 menu_shows 終了 || fail "Alt+F did not open the ファイル menu"
xdotool key x
within 30 eval '! kill -0 "$E2E_PID" 2>/dev/null' || fail "the program did not end"
status=0
wait "$E2E_PID" || status=$?
E2E_PID=""
[ "$status" = 0 ] || fail "the program ended with status $status: $(tail -5 "$E2E_DIR/app.log")"
# 7: the learner's grade as the teacher set it in 成績: a 小3 pupil hears the
# passage's readings, an adult none. The grade is written into the history
# between two starts, as 成績 would keep it.
open_test_with_year() {
  python3 -c 'import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("UPDATE learners SET school_year = ?", (sys.argv[2],))
db.commit()' "$XDG_DATA_HOME/shurencho/history.sqlite" "$1" || fail "could not set the grade $1"
  start_app
  READER=(/usr/bin/python3 "$(dirname "$0")/atspi_tree.py" --pid "$E2E_PID")
  focus_window
  xdotool key alt+r
  within 5 menu_shows 実力テスト || fail "Alt+R did not open the 練習 menu"
  xdotool key t
  [ -n "$(find_window '^実力テスト$')" ] || fail "the test window did not open for a $1 learner"
}
end_app() {
  kill "$E2E_PID" 2>/dev/null || true
  wait "$E2E_PID" 2>/dev/null || true
  E2E_PID=""
}
open_test_with_year 小3
within 20 test_reads $'^text\t課題文\tふりがな：.*植（うえ）' || fail "a 小3 learner hears no readings over the passage: $({ "${READER[@]}" --within 実力テスト --wait 5 || true; } | cut -f1-3 | tr "\n" "|")"
shot guide_a11y_furigana
end_app
open_test_with_year 大人
within 10 test_reads $'^label\tのこり 3:00' || fail "the test window is not heard for an adult"
test_reads $'ふりがな：' && fail "an adult hears readings over the passage"
end_app
echo "guide a11y: the first start's guide beside the window, its welcome, a pass and its summary heard;" \
  "the test window's figures worded, its readings heard by a 小3 pupil and not by an adult"
