#!/usr/bin/env bash
# The drill with かな入力 in the real window: course 3's first two items, あ
# and い, typed on the keys where a JIS keyboard has those kana (the X server
# here has a US map: 3 and e are at the same places), which stores a speed
# for course 3 in KanaSpeed and leaves the romaji speeds alone.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

printf '[Result]\r\nCourseNo=2\r\n[Stat]\r\nwarmup=0:00:00\r\n[Romaji]\r\nKanaInput=1\r\n' >"$E2E_DIR/shurencho.ini"
start_app
xdotool key --delay 200 3 e
sleep 0.5
shot drill_kana_done
close_via_menu

expect_line 'KanaInput=1'
expect_line 'KeySpeed=0,0,0,0,0,0'
speeds="$(settings_text | sed -n 's/^KanaSpeed=//p')"
IFS=, read -r _ _ s3 _ <<<"$speeds"
[ "${s3:-0}" -gt 0 ] || fail "あ and い were not finished by their kana keys: $speeds"
echo "drill kana: あ and い typed by their JIS keys (speed $s3)"
