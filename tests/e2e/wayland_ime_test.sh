#!/usr/bin/env bash
# The input method on a Wayland desktop: fcitx5 with Mozc, in a private D-Bus
# session, beside the trainer under a headless compositor. Mozc is switched on
# while the drill has the keyboard; the drill's box still takes the keys as
# romaji, so two kana typed there store the course's speed at close. Mozc's
# server refuses root, so under root the session and the program run as an
# unprivileged user.
BIN="$1"
ASSETS="$2"
WAYLAND_TOOLS=(fcitx5 fcitx5-remote dbus-daemon)
# The session's processes carry its HOME: fcitx5, Mozc's server, the bus.
wayland_cleanup_more() {
  local env pid
  for env in /proc/[0-9]*/environ; do
    pid="${env#/proc/}"
    pid="${pid%/environ}"
    { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "HOME=$W/ime" && kill "$pid" 2>/dev/null
  done
  return 0
}
source "$(dirname "$0")/wayland_lib.sh"
[ ${#AS_USER[@]} -eq 0 ] || chown nobody "$W/run"

# The input method's session: its own HOME with a profile naming Mozc.
IME_HOME="$W/ime"
mkdir -p "$IME_HOME/.config/fcitx5"
source "$(dirname "$0")/mozc_profile.sh"
write_mozc_profile "$IME_HOME"
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

focused() { jq -r '.focused // false' <<<"$(window)"; }
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
quit_by_menu
s3="$(course3_speed)"
[ "$s3" -gt 0 ] || fail "with Mozc on, the drill did not judge the keys as romaji"
echo "wayland ime: Mozc on in the drill's box, the keys judged as romaji (speed $s3)"
