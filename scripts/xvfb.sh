# Sourced by scripts/test.sh and scripts/bench.sh: a private X server for the X11 backend.
# xvfb_start exports VORN_X11_DISPLAY once the server listens (or warns, and leaves it unset, when Xvfb is
# missing or does not come up); xvfb_stop ends the server that xvfb_start began, and nothing else.
xvfb_pid=""
xvfb_start() {
  command -v Xvfb >/dev/null || { echo "Xvfb is missing: the X11 tests and benchmarks will be skipped" >&2; return 0; }
  local fd
  fd="$(mktemp)"
  # Xvfb picks a free display number itself and writes it to the given descriptor once it listens; without
  # -noreset it would restart whenever its last client leaves, refusing the next client's connection meanwhile.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$fd" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$fd" ] && break
    sleep 0.05
  done
  if [ -s "$fd" ]; then
    VORN_X11_DISPLAY=":$(head -n1 "$fd")"
    export VORN_X11_DISPLAY
  else
    echo "Xvfb did not start: the X11 tests and benchmarks will be skipped" >&2
  fi
  rm -f "$fd"
}
xvfb_stop() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}
