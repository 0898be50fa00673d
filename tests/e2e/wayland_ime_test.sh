#!/usr/bin/env bash
# The input method on a Wayland desktop: fcitx5 with Mozc, in a private D-Bus
# session, beside the trainer under a headless compositor. Mozc is switched on
# while the drill has the keyboard; the drill's box still takes the keys as
# romaji, so two kana typed there store the course's speed at close. Mozc's
# server refuses root, so under root the session and the program run as an
# unprivileged user.
set -euo pipefail
BIN="$1"
ASSETS="$2"
OUT="${E2E_OUT:-${TMPDIR:-/tmp}/shurencho-e2e}"

skip() {
  echo "skipped: $*"
  exit 0
}
for tool in sway swaymsg wtype grim jq convert fcitx5 fcitx5-remote dbus-daemon; do
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
SWAY_PID="" APP_PID="" KEYS_PID="" BUS_PID=""
cleanup() {
  exec 7>&- 2>/dev/null || true
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  # The session's processes carry its HOME: fcitx5, Mozc's server, the bus.
  local env pid
  for env in /proc/[0-9]*/environ; do
    pid="${env#/proc/}"
    pid="${pid%/environ}"
    { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "HOME=$W/ime" && kill "$pid" 2>/dev/null
  done
  [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null || true
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
[ ${#AS_USER[@]} -eq 0 ] || chown nobody "$W/run"
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

# The input method's session: its own HOME with a profile naming Mozc.
IME_HOME="$W/ime"
mkdir -p "$IME_HOME/.config/fcitx5"
printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=mozc' '' \
  '[Groups/0/Items/0]' 'Name=keyboard-us' 'Layout=' '' '[Groups/0/Items/1]' 'Name=mozc' 'Layout=' '' \
  '[GroupOrder]' '0=Default' >"$IME_HOME/.config/fcitx5/profile"
mkdir "$W/app"
cp "$BIN" "$W/app/shurencho"
for module in shurencho_sdl_player.so shurencho_records.so shurencho_history.so; do
  [ -f "$(dirname "$BIN")/$module" ] && cp "$(dirname "$BIN")/$module" "$W/app/"
done
cp -r "$ASSETS"/. "$W/app/"
printf '[Stat]\r\nwarmup=0:00:00\r\n' >"$W/app/shurencho.ini"
[ ${#AS_USER[@]} -eq 0 ] || chown -R nobody "$IME_HOME" "$W/app"
IME_ENV=(HOME="$IME_HOME" XDG_CONFIG_HOME="$IME_HOME/.config" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
  WAYLAND_DISPLAY="$WAYLAND_DISPLAY" PATH="$PATH")
BUS="$("${AS_USER[@]}" env -i "${IME_ENV[@]}" dbus-daemon --session --fork --print-address=1 | head -1)"
[ -n "$BUS" ] || fail "no D-Bus session bus"
as_user() { "${AS_USER[@]}" env -i "${IME_ENV[@]}" DBUS_SESSION_BUS_ADDRESS="$BUS" "$@"; }
as_user fcitx5 -D >"$W/fcitx5.log" 2>&1 &
im_state() { as_user fcitx5-remote 2>/dev/null || true; }
for _ in $(seq 150); do [[ "$(im_state)" =~ ^[0-2]$ ]] && break; sleep 0.1; done
[[ "$(im_state)" =~ ^[0-2]$ ]] || fail "fcitx5 did not start: $(tail -5 "$W/fcitx5.log")"

(cd "$W/app" && exec "${AS_USER[@]}" env -i "${IME_ENV[@]}" DBUS_SESSION_BUS_ADDRESS="$BUS" \
  QT_QPA_PLATFORM=wayland QT_IM_MODULE=fcitx SDL_AUDIODRIVER=dummy ./shurencho) >"$W/app.log" 2>&1 &
APP_PID=$!

focused() {
  swaymsg -t get_tree | jq -r '[recurse(.nodes[]?, .floating_nodes[]?)
    | select(.pid? != null and (.name // "" | startswith("打鍵修練帖")))][0].focused // false'
}
for _ in $(seq 300); do
  [ "$(focused)" = true ] && break
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended during start-up"
  sleep 0.1
done
[ "$(focused)" = true ] || fail "the window did not get the keyboard"

# Mozc on in the drill's box (asked again while Mozc is still starting).
state=""
for i in $(seq 150); do
  state="$(im_state)"
  [ "$state" = 2 ] && break
  [ $((i % 5)) = 1 ] && as_user fcitx5-remote -o
  sleep 0.1
done
[ "$state" = 2 ] || fail "Mozc could not be switched on in the drill's box (state '$state')"

# Course 3: あ, い typed with Mozc on are judged as romaji.
wtype -d 120 ai
sleep 0.5
mkdir -p "$OUT"
grim "$OUT/wayland_ime_drill.png" || true
wtype -M alt f -m alt
sleep 0.4
wtype x
for _ in $(seq 300); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end after 終了"
APP_PID=""
speeds="$(iconv -f CP932 -t UTF-8 "$W/app/shurencho.ini" | tr -d '\r' | sed -n 's/^KeySpeed=//p')"
IFS=, read -r _ _ s3 _ <<<"$speeds"
[ "${s3:-0}" -gt 0 ] || fail "with Mozc on, the drill did not judge the keys as romaji: KeySpeed=$speeds"
echo "wayland ime: Mozc on in the drill's box, the keys judged as romaji (speed $s3)"
