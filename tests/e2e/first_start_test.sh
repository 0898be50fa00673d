#!/usr/bin/env bash
# First start in an empty folder: close through the menu, and the settings
# file beside the program holds every key with its default.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
start_app
shot first_start
close_via_menu

[ -f "$E2E_DIR/shurencho.ini" ] || fail "no settings file was written"
for line in '[Titile]' 'TradeMark="打鍵修練帖　Ver1.0"' 'CompanyName="宙文舎"' \
  'CourseName01="アルファベット　文字入力練習"' 'CourseName06="日本語入力実践"' \
  '[Result]' 'KeySpeed=0,0,0,0,0,0' 'Random=0' 'AutoCourse=0' 'Viewroma=1' 'CourseNo=2' \
  'M1CourseNo=0' 'BGMState=0' '[Stat]' 'warmup=0:00:30' 'Course01=20,40' 'Course03=15,25' \
  'Course05=10,15' 'Course06=10,15' '[Datafiles]' 'KanaToRoma="roma01.dat"' 'ArphTango="tangoe.dat"' \
  'RomaTango="tango.dat"' 'RomaTangoH="tangoh.dat"' 'GameMap="tmap01.dat"' 'HelpFile="readme.htm"'; do
  expect_line "$line"
done
[ "$(settings_text | grep -c '=')" -eq 29 ] || fail "expected 29 keys"
echo "first start: settings file complete"

# A stored course out of range starts course 3 and is written back as 2; a
# termination signal (a logout) closes the window the usual way, so it is saved.
sed -i 's/^CourseNo=2\r$/CourseNo=7\r/' "$E2E_DIR/shurencho.ini"
grep -q $'^CourseNo=7\r$' "$E2E_DIR/shurencho.ini" || fail "could not prepare CourseNo=7"
start_app
kill -TERM "$E2E_PID"
wait_exit
expect_line 'CourseNo=2'
echo "termination signal: records saved"
