#!/usr/bin/env bash
# The keyboard drill in the real window: type two items of course 3 (あ, い)
# with real key presses, switch to course 1 with the mouse, close. With no
# warm-up time the run's speed is stored for course 3, and the new course is
# written back.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

printf '[Stat]\r\nwarmup=0:00:00\r\n' >"$E2E_DIR/shurencho.ini"
start_app
# The input box has the focus on the drill page from the start.
xdotool type --delay 120 "ai"
sleep 0.3
shot drill_typed
# RadioButton1 ("アルファベット　文字") on the drill page.
click_at 329 252
shot drill_course1
close_via_menu

expect_line 'CourseNo=0'
speeds="$(settings_text | sed -n 's/^KeySpeed=//p')"
IFS=, read -r s1 s2 s3 s4 s5 s6 <<<"$speeds"
[ "$s1,$s2,$s4,$s5,$s6" = "0,0,0,0,0" ] || fail "only course 3 should have a speed: $speeds"
[ "${s3:-0}" -gt 0 ] || fail "course 3 has no speed after two items: $speeds"
echo "drill: two items typed (speed $s3), course 1 stored"
