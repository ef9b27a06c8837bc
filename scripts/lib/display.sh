# A throw-away X server with a window manager, for the scripts that open
# Quillet's window: Xvfb on whichever display is free, jwm as on a desktop.
# session_work makes $work, a temporary folder removed at exit together with
# every process the script adds to $pids.
session_work() {
  work=$(mktemp -d)
  pids=()
  trap session_cleanup EXIT
}

session_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

# start_xvfb WIDTHxHEIGHT: its own display, whichever number is free; exports
# DISPLAY.
start_xvfb() {
  exec 5>"$work/display"
  Xvfb -displayfd 5 -screen 0 "${1}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=:$(head -n1 "$work/display")
  export DISPLAY
}

# start_jwm, with HOME set: a window manager as on a desktop, which gives the
# focus to windows as they open and back to the window under a dialog that
# closes.
start_jwm() {
  cat >"$HOME/.jwmrc" <<'RC'
<?xml version="1.0"?>
<JWM><FocusModel>click</FocusModel></JWM>
RC
  jwm >"$work/wm.log" 2>&1 &
  pids+=($!)
}
