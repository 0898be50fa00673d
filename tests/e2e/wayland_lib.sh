# Shared by the Wayland end-to-end tests: a headless sway (as an unprivileged
# user under root), a private runtime folder for clients, one virtual keyboard
# kept for the whole test, and the program with its data in "$W/app" (no
# warm-up, so two items typed give a stored speed).
# Usage: BIN=… ASSETS=…; WAYLAND_TOOLS=(more tools); define
# wayland_cleanup_more; source wayland_lib.sh; start "$W/app/shurencho";
# …; quit_by_menu; course3_speed.
set -euo pipefail
OUT="${E2E_OUT:-${TMPDIR:-/tmp}/shurencho-e2e}"
declare -p WAYLAND_TOOLS >/dev/null 2>&1 || WAYLAND_TOOLS=()
declare -F wayland_cleanup_more >/dev/null || wayland_cleanup_more() { :; }

skip() {
  echo "skipped: $*"
  exit 0
}
for tool in sway swaymsg wtype grim jq convert "${WAYLAND_TOOLS[@]}"; do
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
  wayland_cleanup_more
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

# The program's window as the compositor holds it: its kind, focus and size.
window() {
  swaymsg -t get_tree | jq -c '[recurse(.nodes[]?, .floating_nodes[]?)
    | select(.pid? != null and (.name // "" | startswith("打鍵修練帖")))][0] // empty
    | {type, focused, w: .window_rect.width, h: .window_rect.height}'
}

# 終了 from the file menu; waits for the program to end cleanly.
quit_by_menu() {
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
}

# Course 3's stored speed in the settings file (0 when none).
course3_speed() {
  local speeds s3
  speeds="$(iconv -f CP932 -t UTF-8 "$W/app/shurencho.ini" | tr -d '\r' | sed -n 's/^KeySpeed=//p')"
  IFS=, read -r _ _ s3 _ <<<"$speeds"
  echo "${s3:-0}"
}
