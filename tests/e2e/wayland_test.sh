#!/usr/bin/env bash
# The trainer on a Wayland desktop, under a headless tiling compositor: the
# window floats at its own fixed size instead of being stretched to a tile,
# keys typed there reach the drill and the menus, and the run's speed is
# stored at close.
# The maze, shown, asks for the pointer on its start cell; the headless seat
# has no pointer to play it with (the unit tests do that).
set -euo pipefail
BIN="$1"
ASSETS="$2"
OUT="${E2E_OUT:-${TMPDIR:-/tmp}/shurencho-e2e}"

skip() {
  echo "skipped: $*"
  exit 0
}
for tool in sway swaymsg wtype grim jq convert; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done
qt_lib="$(ldd "$BIN" | awk '/libQt6Core/ { print $3; exit }')"
compgen -G "$(dirname "$qt_lib")/qt6/plugins/platforms/libqwayland-*.so" >/dev/null || skip "Qt's Wayland platform plugin is not installed"
# The compositor refuses to run as root: it runs as an unprivileged user then.
AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
  command -v runuser >/dev/null 2>&1 && id nobody >/dev/null 2>&1 || skip "no unprivileged user to run the compositor"
  AS_USER=(runuser -u nobody --)
fi

# That user must reach the compositor's folder: under /tmp, whatever TMPDIR says.
if [ ${#AS_USER[@]} -eq 0 ]; then W="$(mktemp -d)"; else W="$(mktemp -d /tmp/shurencho-wayland.XXXXXX)"; fi
SWAY_PID="" APP_PID="" KEYS_PID=""
cleanup() {
  exec 7>&- 2>/dev/null || true
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$KEYS_PID" ] && kill "$KEYS_PID" 2>/dev/null || true
  [ -n "$SWAY_PID" ] && kill "$SWAY_PID" 2>/dev/null || true
  [ -n "$SWAY_PID" ] && for _ in $(seq 50); do kill -0 "$SWAY_PID" 2>/dev/null || break; sleep 0.1; done
  rm -rf "$W"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  mkdir -p "$OUT"
  [ -n "${WAYLAND_DISPLAY:-}" ] && grim "$OUT/wayland_failure.png" 2>/dev/null || true
  for log in sway app; do [ -s "$W/$log.log" ] && sed "s/^/$log: /" "$W/$log.log" >&2; done
  exit 1
}

# The compositor's own folder, readable by its user; its runtime folder is
# private to it, as a session's is.
chmod 755 "$W"
mkdir -m 755 "$W/sway"
mkdir -m 700 "$W/sway/run"
printf 'output HEADLESS-1 resolution 1280x800\nxwayland disable\n' >"$W/sway/config"
[ ${#AS_USER[@]} -eq 0 ] || chown -R nobody "$W/sway"
"${AS_USER[@]}" env -i PATH="$PATH" HOME="$W/sway" XDG_RUNTIME_DIR="$W/sway/run" \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sh -c 'echo $$ >"$HOME/pid"; exec sway -c "$HOME/config"' >"$W/sway.log" 2>&1 &
export SWAYSOCK=""
for _ in $(seq 200); do
  [ -s "$W/sway/pid" ] && SWAY_PID="$(cat "$W/sway/pid")"
  SWAYSOCK="$(compgen -G "$W/sway/run/sway-ipc.*.sock" | head -1 || true)"
  WL="$(compgen -G "$W/sway/run/wayland-[0-9]" | head -1 || true)"
  [ -n "$SWAYSOCK" ] && [ -n "$WL" ] && swaymsg -t get_version >/dev/null 2>&1 && break
  sleep 0.1
done
[ -n "$SWAYSOCK" ] && [ -n "$WL" ] || fail "the compositor did not start"

# Clients get a private runtime folder of their own and reach the
# compositor's socket by its path.
mkdir -m 700 "$W/run"
export XDG_RUNTIME_DIR="$W/run" WAYLAND_DISPLAY="$WL"
unset DISPLAY QT_QPA_PLATFORM

# One virtual keyboard kept for the whole test (reading text it never gets):
# the seat keeps its keyboard between the typing tool's runs, so a key typed
# is never lost to a keyboard the window has only just been told of.
mkfifo "$W/keys"
wtype - <"$W/keys" &
KEYS_PID=$!
exec 7>"$W/keys"
for _ in $(seq 100); do
  swaymsg -t get_inputs | jq -e 'any(.[]; .type == "keyboard")' >/dev/null && break
  sleep 0.1
done
swaymsg -t get_inputs | jq -e 'any(.[]; .type == "keyboard")' >/dev/null || fail "no virtual keyboard"

mkdir "$W/app"
cp "$BIN" "$W/app/shurencho"
for module in shurencho_sdl_player.so shurencho_records.so shurencho_history.so; do
  [ -f "$(dirname "$BIN")/$module" ] && cp "$(dirname "$BIN")/$module" "$W/app/"
done
cp -r "$ASSETS"/. "$W/app/"
# No warm-up: the two items typed give a stored speed.
printf '[Stat]\r\nwarmup=0:00:00\r\n' >"$W/app/shurencho.ini"
(cd "$W/app" && exec env QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$W/config" \
  XDG_DATA_HOME="$W/data" ./shurencho) >"$W/app.log" 2>&1 &
APP_PID=$!

# The window as the compositor holds it: floating, focused, at its size.
window() {
  swaymsg -t get_tree | jq -c '[recurse(.nodes[]?, .floating_nodes[]?)
    | select(.pid? != null and (.name // "" | startswith("打鍵修練帖")))][0] // empty
    | {type, focused, w: .window_rect.width, h: .window_rect.height}'
}
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

# File menu → 終了.
wtype -M alt f -m alt
sleep 0.4
wtype x
for _ in $(seq 300); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end after 終了"
wait "$APP_PID" || fail "the program ended with an error: $(cat "$W/app.log")"
APP_PID=""

speeds="$(iconv -f CP932 -t UTF-8 "$W/app/shurencho.ini" | tr -d '\r' | sed -n 's/^KeySpeed=//p')"
IFS=, read -r _ _ s3 _ <<<"$speeds"
[ "${s3:-0}" -gt 0 ] || fail "course 3 has no speed after two items typed: $speeds"
echo "wayland: the window floats at 672×${h}, the drill stored speed $s3, the maze rings its start"
