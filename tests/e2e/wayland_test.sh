#!/usr/bin/env bash
# The trainer on a Wayland desktop, under a headless tiling compositor: the
# window floats at its own fixed size instead of being stretched to a tile,
# keys typed there reach the drill and the menus, and the run's speed is
# stored at close.
# The maze, shown, asks for the pointer on its start cell; the headless seat
# has no pointer to play it with (the unit tests do that).
BIN="$1"
ASSETS="$2"
source "$(dirname "$0")/wayland_lib.sh"
(cd "$W/app" && exec env QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$W/config" \
  XDG_DATA_HOME="$W/data" ./shurencho) >"$W/app.log" 2>&1 &
APP_PID=$!

WIN=""
for _ in $(seq 300); do
  WIN="$(window)"
  [ -n "$WIN" ] && [ "$(jq -r .focused <<<"$WIN")" = true ] && [ "$(jq -r .w <<<"$WIN")" -gt 0 ] && break
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended during start-up"
  sleep 0.1
done
[ -n "$WIN" ] || fail "no window appeared in the compositor's tree"
[ "$(jq -r .type <<<"$WIN")" = floating_con ] || fail "the window was tiled, not floated: $WIN"
[ "$(jq -r .w <<<"$WIN")" -eq 672 ] || fail "the window is not 672 pixels wide: $WIN"
h="$(jq -r .h <<<"$WIN")"
# The pages are 441 pixels high, the menu bar above them a font's height.
[ "$h" -gt 441 ] && [ "$h" -lt 501 ] || fail "the window is not the pages and a menu bar high: $WIN"

# The drill's input box holds the focus from the start: あ, い in course 3.
wtype -d 120 ai
sleep 0.3
mkdir -p "$OUT"
grim "$OUT/wayland_drill.png" || true
# The maze through the menu (練習 → ポイント): the pointer cannot be moved
# here, so the start cell is ringed for the learner to come back to.
wtype -M alt r -m alt
sleep 0.4
wtype p
ringed=0
for _ in $(seq 100); do
  grim "$W/maze.png"
  ringed="$(convert "$W/maze.png" txt:- | grep -ci '#FF8000' || true)"
  [ "$ringed" -ge 100 ] && break
  sleep 0.2
done
[ "$ringed" -ge 100 ] || fail "the maze does not ring its start cell ($ringed pixels)"
cp "$W/maze.png" "$OUT/wayland_maze.png"

quit_by_menu
s3="$(course3_speed)"
[ "$s3" -gt 0 ] || fail "course 3 has no speed after two items typed"
echo "wayland: the window floats at 672×${h}, the drill stored speed $s3, the maze rings its start"
