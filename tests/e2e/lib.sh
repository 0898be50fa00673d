# Shared by the end-to-end tests: a fresh folder with the program and its data,
# a private X server, helpers to drive the window and to look at it.
# Usage in a test: source lib.sh; e2e_init "$1" "$2"; start_app; …; close_via_menu; finish
set -euo pipefail

E2E_BIN="" E2E_ASSETS="" E2E_DIR="" E2E_PID="" XVFB_PID=""
E2E_OUT="${E2E_OUT:-${TMPDIR:-/tmp}/shurencho-e2e}"

e2e_init() {
  E2E_BIN="$1"
  E2E_ASSETS="$2"
  E2E_DIR="$(mktemp -d)"
  mkdir -p "$E2E_OUT"
  cp "$E2E_BIN" "$E2E_DIR/shurencho"
  # The audio player, 成績, history and MeCab modules, loaded from beside the program.
  local module
  for module in shurencho_sdl_player.so shurencho_records.so shurencho_history.so shurencho_mecab.so; do
    [ -f "$(dirname "$E2E_BIN")/$module" ] && cp "$(dirname "$E2E_BIN")/$module" "$E2E_DIR/"
  done
  [ "${E2E_NO_ASSETS:-0}" = 1 ] || cp -r "$E2E_ASSETS"/. "$E2E_DIR"/
  unset QT_QPA_PLATFORM
  # On the private X server, not the X server of a Wayland desktop the tests
  # may be started from (where the program cannot move the pointer).
  unset WAYLAND_DISPLAY
  export SDL_AUDIODRIVER=dummy
  export XDG_CONFIG_HOME="$E2E_DIR/config"
  # The learning history of the run, not of the user running the tests.
  export XDG_DATA_HOME="$E2E_DIR/data"
  # A private X server on the first free display.
  local fd_file="$E2E_DIR/display"
  # -noreset: with no client left the server would reset, and a program
  # connecting at that moment is refused.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fd_file" 2>"$E2E_DIR/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 50); do [ -s "$fd_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$fd_file")"
  trap finish_on_exit EXIT
}

finish_on_exit() {
  [ -n "$E2E_PID" ] && kill "$E2E_PID" 2>/dev/null || true
  # Waited for, so the next test's server cannot lose its socket to this
  # one's clean-up of the same display number.
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  [ -n "$E2E_DIR" ] && rm -rf "$E2E_DIR"
}

fail() {
  echo "FAIL: $*" >&2
  [ -s "$E2E_DIR/xvfb.log" ] && sed 's/^/xvfb: /' "$E2E_DIR/xvfb.log" >&2
  shot "failure" || true
  exit 1
}

# Waits (at most 10 s) for a window titled with the program's name while the
# program started as E2E_PID runs; sets WIN.
wait_window() {
  WIN=""
  for _ in $(seq 100); do
    WIN="$(xdotool search --onlyvisible --name '打鍵修練帖' 2>/dev/null | head -1 || true)"
    [ -n "$WIN" ] && return 0
    kill -0 "$E2E_PID" 2>/dev/null || fail "the program ended during start-up: $(cat "$E2E_DIR/app.log")"
    sleep 0.1
  done
  fail "no window appeared"
}

# Prints the first visible window whose title matches the pattern, waiting
# at most 5 s; prints nothing when none appears.
find_window() {
  local found=""
  for _ in $(seq 50); do
    found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)"
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

# Waits (at most 20 s: a loaded machine builds a file dialog slowly) for the
# file dialog titled $2 (開く when not given) to be shown and to hold the
# keyboard, replaces its name field with the path $1, accepts it and waits
# until the dialog is gone and the main window holds the keyboard again. Keys
# typed before the dialog holds the keyboard would land in the page instead.
open_in_dialog() {
  local dialog="" title="^${2:-開く}\$"
  for _ in $(seq 200); do
    dialog="$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1 || true)"
    [ -n "$dialog" ] && break
    kill -0 "$E2E_PID" 2>/dev/null || fail "the program ended before its file dialog appeared"
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "the file dialog did not appear"
  for _ in $(seq 100); do
    [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$dialog" ] && break
    xdotool windowfocus --sync "$dialog" 2>/dev/null || true
    sleep 0.1
  done
  [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$dialog" ] || fail "the file dialog did not take the keyboard"
  # On a loaded machine a key can be lost on its way through the input
  # method, leaving a name that does not exist: the dialog then says so in a
  # box of the same title, which is closed before the name is typed again.
  local attempt box
  for attempt in 1 2 3 4 5; do
    xdotool key ctrl+a
    xdotool type --delay 30 "$1"
    xdotool key Return
    box=""
    for _ in $(seq 200); do
      xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -qxF "$dialog" || break
      box="$(xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -vxF "$dialog" | head -1 || true)"
      [ -n "$box" ] && break
      sleep 0.1
    done
    [ -n "$box" ] || break
    echo "the file dialog did not find the name typed (try $attempt); typing it again"
    xdotool windowfocus --sync "$box" 2>/dev/null || true
    xdotool key Return
    for _ in $(seq 100); do
      [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$dialog" ] && break
      xdotool windowfocus --sync "$dialog" 2>/dev/null || true
      sleep 0.1
    done
  done
  xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -qxF "$dialog" && fail "the file dialog did not close"
  [ -n "${3:-}" ] && return 0
  for _ in $(seq 100); do
    [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$WIN" ] && return 0
    focus_window
    sleep 0.1
  done
  fail "the main window did not take the keyboard back after the file dialog"
}

# Starts the program in its folder and waits for its window.
start_app() {
  (cd "$E2E_DIR" && exec ./shurencho) >"$E2E_DIR/app.log" 2>&1 &
  E2E_PID=$!
  wait_window
  focus_window
  sleep 0.5
}

# Gives the main window the keyboard focus (there is no window manager).
focus_window() {
  xdotool windowactivate --sync "$WIN" 2>/dev/null || xdotool windowfocus --sync "$WIN" 2>/dev/null || true
}

# Window geometry: sets WX, WY (top-left of the client area on screen).
window_origin() {
  eval "$(xdotool getwindowgeometry --shell "$WIN")"
  WX=$X
  WY=$Y
}

# Clicks at client coordinates (x, y) of the main window.
click_at() {
  window_origin
  xdotool mousemove --sync $((WX + $1)) $((WY + $2)) click 1
  sleep 0.2
}

shot() {
  import -window root "$E2E_OUT/$1.png"
}

# Waits until the program has ended (after a close), at most 30 s: a loaded
# machine may take a while to save and end.
wait_exit() {
  for _ in $(seq 300); do
    kill -0 "$E2E_PID" 2>/dev/null || { wait "$E2E_PID" 2>/dev/null || true; E2E_PID=""; return 0; }
    sleep 0.1
  done
  fail "the program did not end"
}

# File menu → 終了 (Alt+F, X).
close_via_menu() {
  focus_window
  xdotool key alt+f
  sleep 0.4
  xdotool key x
  wait_exit
}

# The settings file the program wrote beside itself, decoded to UTF-8.
settings_text() {
  iconv -f CP932 -t UTF-8 "$E2E_DIR/shurencho.ini" | tr -d '\r'
}

expect_line() {
  settings_text | grep -qxF -- "$1" || fail "settings file lacks the line: $1"
}
