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

. "$here/../../scripts/lib/display.sh"
session_work
start_xvfb 1024x768

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
export QUILLET_RECORD_DIR=$work/records HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$HOME" "$QUILLET_RECORD_DIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"

start_jwm
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
