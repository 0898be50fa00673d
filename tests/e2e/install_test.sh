#!/usr/bin/env bash
# Installs into a temporary prefix and starts the installed program the way
# its desktop entry does (in the entry's Path=), as a user who cannot write
# bin/: it runs on the installed data and keeps its settings in the config
# folder. Then starts it again from an empty folder, as from a terminal, and
# opens the help with F1.
source "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2"
BUILD="$(cd "$(dirname "$1")/.." && pwd)"
PREFIX="$E2E_DIR/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

entry="$PREFIX/share/applications/shurencho.desktop"
[ -f "$entry" ] || fail "no desktop entry installed"
[ -f "$PREFIX/share/icons/hicolor/scalable/apps/shurencho.svg" ] || fail "no icon installed"
data_dir="$(sed -n 's/^Path=//p' "$entry")"
[ "$data_dir" = "$PREFIX/share/shurencho" ] || fail "Path= is $data_dir"
for f in roma01.dat tangoe.dat tango.dat tangoh.dat tmap01.dat keyboard_jis.txt keyboard_us.txt kanji.txt texts/06_四季.txt; do
  [ -f "$data_dir/$f" ] || fail "$f not installed"
done
# The help as built: readings over the kanji beyond the third grade.
grep -q '<ruby>鍵<rp>(</rp><rt>けん</rt>' "$data_dir/readme.htm" || fail "the installed help has no readings"
# The modules loaded at the first play, record, 成績 window and furigana.
for m in shurencho_sdl_player shurencho_records shurencho_history shurencho_mecab; do
  [ -n "$(find "$PREFIX" -name "$m.so")" ] || fail "$m.so not installed"
done
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --no-net "$PREFIX/share/metainfo/"*.metainfo.xml >/dev/null || fail "AppStream metadata invalid"
fi

user=nobody
runuser -u "$user" -- true 2>/dev/null || { echo "no unprivileged user: installed start as root only"; user=""; }
config="$E2E_DIR/home-config"
mkdir -p "$config"
chmod 0777 "$E2E_DIR" "$config"
chmod -R a+rX "$PREFIX"
run_as() { if [ -n "$user" ]; then runuser -u "$user" -- "$@"; else "$@"; fi; }
(cd "$data_dir" && run_as env DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$config" SDL_AUDIODRIVER=dummy \
  "$PREFIX/bin/shurencho") >"$E2E_DIR/app.log" 2>&1 &
E2E_PID=$!
wait_window
sleep 0.5
shot installed
close_via_menu
if [ -n "$user" ]; then
  [ -f "$config/shurencho.ini" ] || fail "settings not in the config folder: $(ls -la "$config")"
  [ ! -e "$PREFIX/bin/shurencho.ini" ] || fail "settings written into bin/"
else
  [ -f "$PREFIX/bin/shurencho.ini" ] || fail "settings not beside the program"
fi
echo "installed program ran from its entry's folder"

# From a terminal in an empty folder, with HOME elsewhere: the installed data
# is found, and F1 hands the installed help document to the desktop's opener.
empty="$E2E_DIR/empty" home="$E2E_DIR/home" fakebin="$E2E_DIR/fakebin"
mkdir -p "$empty" "$home" "$fakebin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s/opened"\n' "$E2E_DIR" >"$fakebin/xdg-open"
chmod 0755 "$fakebin/xdg-open"
chmod 0777 "$empty" "$home"
(cd "$empty" && run_as env DISPLAY="$DISPLAY" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
  PATH="$fakebin:$PATH" SDL_AUDIODRIVER=dummy "$PREFIX/bin/shurencho") >"$E2E_DIR/app.log" 2>&1 &
E2E_PID=$!
wait_window
focus_window
sleep 0.5
xdotool key F1
for _ in $(seq 50); do [ -s "$E2E_DIR/opened" ] && break; sleep 0.1; done
[ -s "$E2E_DIR/opened" ] || fail "F1 started no opener"
opened="$(cat "$E2E_DIR/opened")"
[ "$opened" = "$data_dir/readme.htm" ] || fail "F1 opened '$opened', not the installed readme.htm"
close_via_menu
! grep -q "module was not found" "$E2E_DIR/app.log" || fail "the installed program found no audio player module"
echo "installed program started from an empty folder; F1 opened $opened"
