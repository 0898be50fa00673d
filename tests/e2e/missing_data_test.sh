#!/usr/bin/env bash
# A data file that cannot be read ends start-up before any window appears:
# an error box names the fault and the file, and the exit status is not 0.
E2E_NO_ASSETS=1
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"

check_refused() {
  local expect="$1"
  (cd "$E2E_DIR" && exec ./shurencho) >"$E2E_DIR/app.log" 2>&1 &
  E2E_PID=$!
  wait_window
  local box="$WIN"
  sleep 0.5
  shot "missing_data_$2"
  # The box is the only window: the main window never appeared.
  [ "$(xdotool search --onlyvisible --name '打鍵修練帖' | wc -l)" -eq 1 ] || fail "more than the error box is shown"
  # The same text goes to the terminal, where the test can read it.
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus "$box" 2>/dev/null || true
  xdotool key Return
  local status=0
  wait "$E2E_PID" || status=$?
  E2E_PID=""
  [ "$status" -ne 0 ] || fail "exit status 0 after a refused start"
  grep -qF "$expect" "$E2E_DIR/app.log" || fail "the error did not name $expect: $(cat "$E2E_DIR/app.log")"
}

# No data files at all: the first file of the start-up order is named.
check_refused "roma01.dat" none
[ ! -f "$E2E_DIR/shurencho.ini" ] || grep -q 'KanaToRoma' "$E2E_DIR/shurencho.ini" || fail "settings not written"

# Every file but the maze map: the maze map is named.
cp "$E2E_ASSETS"/*.dat "$E2E_DIR"/
rm "$E2E_DIR/tmap01.dat"
check_refused "tmap01.dat" maze
echo "missing data files refused with their names"
