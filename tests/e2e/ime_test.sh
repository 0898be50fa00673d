#!/usr/bin/env bash
# The real input method: fcitx5 with Mozc switched on, in a private D-Bus
# session, as a learner who types Japanese meets it. Right after a load on 実践
# (no click into the box) romaji and Enter commit kana that the page counts, and
# the run's speed is stored at close; on 特訓 the same keys stay romaji and are
# judged, so items are typed as usual. Mozc's server refuses to run as root, so
# under root the session and the program run as an unprivileged user.
source "$(dirname "$0")/lib.sh"

missing=()
for p in fcitx5 fcitx5-mozc fcitx5-frontend-qt6 dbus-x11; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "skipped: the input method packages are not installed: ${missing[*]}"
  exit 0
fi

RUN_AS=()
[ "$(id -u)" -eq 0 ] && RUN_AS=(runuser -u nobody --)
e2e_init "$1" "$2"

IME_HOME="$E2E_DIR/home"
mkdir -p "$IME_HOME/.config/fcitx5" "$IME_HOME/run"
chmod 700 "$IME_HOME/run"
# Mozc is the group's input method, switched on once the typing box has it
# (the file dialog's name field takes plain letters).
source "$(dirname "$0")/mozc_profile.sh"
write_mozc_profile "$IME_HOME"

# A short warmup, so runs are measured without waiting half a minute.
printf '[Stat]\r\nwarmup=0:00:01\r\n' >"$E2E_DIR/shurencho.ini"
printf 'かき' | iconv -f UTF-8 -t CP932 >"$E2E_DIR/kana.txt"
[ "${#RUN_AS[@]}" -eq 0 ] || chown -R nobody "$E2E_DIR"

IME_BUS=""
IME_ENV=(HOME="$IME_HOME" XDG_CONFIG_HOME="$IME_HOME/.config" XDG_RUNTIME_DIR="$IME_HOME/run" DISPLAY="$DISPLAY")
as_user() {
  "${RUN_AS[@]}" env "${IME_ENV[@]}" DBUS_SESSION_BUS_ADDRESS="$IME_BUS" "$@"
}

# Every process of the private session carries its HOME: end exactly those
# (the bus, fcitx5, Mozc's server, the program), then what lib.sh started.
ime_finish() {
  local env pid alive pids=()
  for env in /proc/[0-9]*/environ; do
    pid="${env#/proc/}"
    pid="${pid%/environ}"
    { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "HOME=$IME_HOME" && kill "$pid" 2>/dev/null && pids+=("$pid")
  done
  # They write into HOME until they are gone.
  for _ in $(seq 30); do
    alive=0
    for pid in "${pids[@]}"; do [ -d "/proc/$pid" ] && [ "$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null)" != Z ] && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.1
  done
  finish_on_exit
}
trap ime_finish EXIT

IME_BUS="$(as_user dbus-daemon --session --fork --print-address=1 | head -1)"
[ -n "$IME_BUS" ] || fail "no D-Bus session bus"
as_user fcitx5 -D >"$E2E_DIR/fcitx5.log" 2>&1 &

# fcitx5-remote answers 0, 1 or 2 once fcitx5 is on the bus.
im_state() { as_user fcitx5-remote 2>/dev/null || true; }
for _ in $(seq 100); do [[ "$(im_state)" =~ ^[0-2]$ ]] && break; sleep 0.1; done
[[ "$(im_state)" =~ ^[0-2]$ ]] || fail "fcitx5 did not start: $(tail -5 "$E2E_DIR/fcitx5.log")"

(cd "$E2E_DIR" && exec "${RUN_AS[@]}" env "${IME_ENV[@]}" DBUS_SESSION_BUS_ADDRESS="$IME_BUS" \
  QT_IM_MODULE=fcitx SDL_AUDIODRIVER=dummy ./shurencho) >"$E2E_DIR/app.log" 2>&1 &
E2E_PID=$!
wait_window
focus_window
sleep 0.5

# 実践: load the text; the box must take the input method with no click.
click_at 444 38         # the 実践 tab
click_at 81 413         # 読み込み
# The path goes into the dialog while the input method is still off there;
# Mozc is switched on only once the dialog is gone and the typing box has
# the keyboard.
open_in_dialog "$E2E_DIR/kana.txt"
# 0: no input context has the focus; 1: one has, with the input method off.
state=""
for _ in $(seq 50); do state="$(im_state)"; [[ "$state" =~ ^[12]$ ]] && break; sleep 0.1; done
[[ "$state" =~ ^[12]$ ]] || fail "the typing box did not take the input method after the load (state '$state')"
# Asked again every half second: a first request can come before Mozc is ready.
for i in $(seq 100); do
  state="$(im_state)"
  [ "$state" = 2 ] && break
  # Only ever in the main window: a dialog's field must keep plain letters.
  [ $((i % 5)) = 1 ] && [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$WIN" ] && as_user fcitx5-remote -o
  sleep 0.1
done
[ "$state" = 2 ] || fail "Mozc could not be switched on in the typing box (state '$state')"
xdotool type --delay 80 'ka'
sleep 0.3
shot ime_preedit
xdotool key Return
sleep 1.5
xdotool type --delay 80 'ki'
xdotool key Return
sleep 0.5
shot ime_typing_done

# 特訓 (course 3: あ, い, …): k is refused, a completes あ; after the warmup
# i completes い, so the course's speed is stored. Kana in the box would
# complete nothing.
click_at 380 38         # the 特訓 tab
xdotool type --delay 80 'ka'
sleep 0.3
shot ime_drill
sleep 1.2
xdotool type --delay 80 'i'
sleep 0.3
click_at 604 75         # 終了
wait_exit

speeds="$(settings_text | sed -n 's/^KeySpeed=//p')"
IFS=, read -r _ _ s3 _ _ s6 <<<"$speeds"
[ "${s6:-0}" -gt 0 ] || fail "the kana typed through the input method were not counted: KeySpeed=$speeds"
[ "${s3:-0}" -gt 0 ] || fail "the drill did not judge the keys as romaji with the input method on: KeySpeed=$speeds"
echo "ime: kana typed through Mozc counted (speed $s6); the drill judged romaji (speed $s3)"
