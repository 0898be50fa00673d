#!/usr/bin/env bash
# F3 opens the keyboard guide right under the main window without taking
# the keyboard; the guide is drawn again when a key finishes the drill's
# item (あ of course 3, then い lights I), and the choice is kept.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# Closed last time: F3 brings it back.
printf '[Result]\r\nCourseNo=2\r\n[Guide]\r\nShow=0\r\n' >"$E2E_DIR/shurencho.ini"
start_app
xdotool key F3
GUIDE="$(find_window '^キーボードガイド$')"
[ -n "$GUIDE" ] || fail "F3 did not open the guide"
[ "$(xdotool getwindowfocus)" = "$WIN" ] || fail "the guide took the keyboard"

eval "$(xdotool getwindowgeometry --shell "$WIN")"
MX=$X MY=$Y MH=$HEIGHT
eval "$(xdotool getwindowgeometry --shell "$GUIDE")"
[ "$X" = "$MX" ] || fail "the guide is not aligned with the window: x $X, window $MX"
[ "$Y" -ge $((MY + MH)) ] || fail "the guide covers the window: y $Y, window ends at $((MY + MH))"
[ $((Y + HEIGHT)) -le 768 ] || fail "the guide leaves the screen: it ends at $((Y + HEIGHT))"

# The guide as drawn: a keyboard in it (many colours, not an empty window)
# and two captures alike, so its first paint is done.
capture() { import -window "$GUIDE" "$E2E_DIR/$1.ppm" 2>/dev/null; }
drawn=0
for _ in $(seq 50); do
  capture before
  sleep 0.2
  capture again
  if cmp -s "$E2E_DIR/before.ppm" "$E2E_DIR/again.ppm" &&
    [ "$(identify -format %k "$E2E_DIR/before.ppm")" -gt 20 ]; then
    drawn=1
    break
  fi
done
[ "$drawn" = 1 ] || fail "the guide was not drawn"
shot keyboard_guide_before
xdotool type a
changed=0
for _ in $(seq 100); do
  capture after
  cmp -s "$E2E_DIR/before.ppm" "$E2E_DIR/after.ppm" || { changed=1; break; }
  sleep 0.1
done
[ "$changed" = 1 ] || fail "the guide did not change when a key was typed"
[ "$(xdotool getwindowfocus)" = "$WIN" ] || fail "the keyboard left the drill"
shot keyboard_guide_after
close_via_menu

settings_text | grep -qxF '[Guide]' || fail "the guide's section was not written"
expect_line 'Show=1'
echo "keyboard guide: F3 shows it under the window, a key redraws it, the choice is kept"
