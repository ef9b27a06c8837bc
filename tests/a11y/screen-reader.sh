#!/usr/bin/env bash
# A screen reader's walk through Quillet, over the real accessibility bus:
# an X server (Xvfb) with a window manager, a D-Bus session, the AT-SPI bus,
# the stand-in player and Quillet; ScreenReaderWalk.py presses keys with
# xdotool and reads only what AT-SPI shows.
# Usage: screen-reader.sh QUILLET PLAYER BANK
set -euo pipefail
quillet=$1 player=$2 bank=$3
here=$(cd "$(dirname "$0")" && pwd)

# Without its packages the walk is skipped (exit status 77, which CTest
# reports as skipped), naming what is missing; scripts/test.sh installs them.
missing=()
for tool in Xvfb:xvfb jwm:jwm xdotool:xdotool xprop:x11-utils dbus-run-session:dbus-daemon \
            /usr/libexec/at-spi-bus-launcher:at-spi2-core; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || missing+=(python3-pyatspi)
if [ ${#missing[@]} -gt 0 ]; then
  echo "skipped: the screen reader's walk needs the packages ${missing[*]} (scripts/test.sh installs them)"
  exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Its own display, whichever number is free.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
export QUILLET_RECORD_DIR=$work/records HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$HOME" "$QUILLET_RECORD_DIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# A window manager as on a desktop: it gives the focus to windows as they
# open and back to the window under a dialog that closes.
cat >"$HOME/.jwmrc" <<'RC'
<?xml version="1.0"?>
<JWM><FocusModel>click</FocusModel></JWM>
RC
jwm >"$work/wm.log" 2>&1 &
pids+=($!)
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

# Everything inside one D-Bus session, the accessibility bus launched in it.
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  status=0
  /usr/bin/python3 "$0/ScreenReaderWalk.py" "$1" "$2" "$3" "$4" || status=$?
  kill $launcher 2>/dev/null
  exit $status
' "$here" "$quillet" "$player" "$bank" "$work"
