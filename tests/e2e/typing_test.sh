#!/usr/bin/env bash
# The free typing page as a user meets it: pick a practice file in the dialog,
# type it (in the other case, with a line break), get the verdict, and find the
# speed recorded in the settings file after closing.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

# A short warmup, so the run is measured without waiting half a minute.
printf '[Stat]\r\nwarmup=0:00:02\r\n' >"$E2E_DIR/shurencho.ini"
printf 'Hello World\nok' >"$E2E_DIR/practice.txt"

start_app
click_at 444 38         # the 実践 tab
click_at 81 413         # 読み込み
open_in_dialog "$E2E_DIR/practice.txt"
shot typing_loaded

xdotool type --delay 50 'h'
sleep 3
xdotool type --delay 50 'ELLO wORLD'
xdotool key Return
xdotool type --delay 50 'OK'
sleep 0.5
shot typing_completed

click_at 604 75         # 終了
wait_exit

speed="$(settings_text | sed -n 's/^KeySpeed=//p' | cut -d, -f6)"
[ -n "$speed" ] || fail "no free typing speed in the settings file"
[ "$speed" -gt 0 ] || fail "the free typing speed was not recorded (got $speed)"
echo "typing: text completed, speed $speed recorded"
