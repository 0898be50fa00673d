#!/usr/bin/env bash
# A lesson in the real window: one item in every drill course (the
# conversion item of course 5 included), close, and the records of all five
# courses are in the settings file; then a fresh start, the reset from the
# menu, close, and the file holds the defaults again.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

printf '[Stat]\r\nwarmup=0:00:00\r\n' >"$E2E_DIR/shurencho.ini"
start_app

# Course buttons RadioButton1..5 on the drill page, in window coordinates.
course() {
  local ys=(0 252 276 300 328 352)
  click_at 329 "${ys[$1]}"
}
speed_of() { settings_text | sed -n 's/^KeySpeed=//p' | cut -d, -f"$1"; }

xdotool type --delay 120 "a"        # course 3 starts on あ
course 1
xdotool type --delay 120 "a"        # a
course 2
xdotool type --delay 120 "go"       # the first English word
course 4
xdotool type --delay 120 "inu"      # いぬ
course 5
xdotool type --delay 120 "yama"     # やま → 山
xdotool key space
sleep 0.3
shot classroom_converted
xdotool key Return
sleep 0.3
xdotool key Return
sleep 0.3
shot classroom_course5
close_via_menu

expect_line 'CourseNo=4'
for k in 1 2 3 4 5; do
  s="$(speed_of "$k")"
  [ "${s:-0}" -gt 0 ] || fail "course $k has no recorded speed: $(settings_text | grep KeySpeed)"
done
[ "$(speed_of 6)" = 0 ] || fail "the free typing record changed"
echo "classroom: one item in each of the five courses recorded"

start_app
focus_window
xdotool key alt+f
sleep 0.4
xdotool key s
sleep 0.5
shot classroom_reset
close_via_menu
expect_line 'KeySpeed=0,0,0,0,0,0'
expect_line 'CourseNo=2'
expect_line 'M1CourseNo=0'
expect_line 'warmup=0:00:30'
expect_line 'Viewroma=1'
echo "classroom: the reset returned every record to its default"
