#!/usr/bin/env bash
# The drill with ヘボン式 chosen, in the real window: course 5's 電車 typed as
# an input method takes it (densha: n before a consonant is ん), converted,
# confirmed and finished, which stores a speed for course 5; then 訓令式 is
# chosen from the menu by keyboard and kept in the settings file.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# A conversion list of one item (the file's last line is never an item).
printf '電車,でんしゃ,1,1,0,0,電車\r\n/\r\n' | iconv -f UTF-8 -t CP932 >"$E2E_DIR/tangoh.dat"
printf '[Result]\r\nCourseNo=4\r\n[Stat]\r\nwarmup=0:00:00\r\n[Romaji]\r\nGuide=1\r\n' >"$E2E_DIR/shurencho.ini"
start_app
xdotool type --delay 120 "densha"
# Space converts, Enter confirms, Enter finishes the item.
xdotool key --delay 200 space Return Return
sleep 0.3
shot drill_notation_done
# 練習 → ローマ字の表記 → 訓令式.
xdotool key alt+r
sleep 0.4
xdotool key h
sleep 0.4
xdotool key k
sleep 0.3
close_via_menu

expect_line 'Guide=2'
speeds="$(settings_text | sed -n 's/^KeySpeed=//p')"
IFS=, read -r _ _ _ _ s5 _ <<<"$speeds"
[ "${s5:-0}" -gt 0 ] || fail "電車 was not finished by typing densha: $speeds"
echo "drill notation: densha finished 電車 (speed $s5), 訓令式 stored"
