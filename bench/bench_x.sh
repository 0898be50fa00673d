# Sourced by the bench scripts that start the real program: a copy of it with
# its modules and data in a temporary folder, and an X server of its own.
# Sets WORK and XVFB, exports DISPLAY; the caller removes WORK and ends XVFB.
start_program_copy_on_xvfb() {
  WORK="$(mktemp -d)"
  cp "$BUILD_DIR/src/shurencho" "$BUILD_DIR/src/"*.so "$WORK/"
  cp -r "$ROOT/assets/." "$WORK/"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" 2>/dev/null &
  XVFB=$!
  for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$WORK/display")" SDL_AUDIODRIVER=dummy
  unset QT_QPA_PLATFORM
}
