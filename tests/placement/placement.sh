#!/usr/bin/env bash
# Runs the placement test (tests/testwin/PlacementTest.cpp) on a real window
# system: "wayland", weston's headless backend with its screenshooter and
# Qt's Wayland plugin; or "x11", Xvfb with a window manager (jwm).
# Usage: placement.sh wayland|x11 TEST_PROGRAM
set -euo pipefail
system=$1 program=$2

# Without its packages the test is skipped (exit status 77, which CTest
# reports as skipped), naming what is missing; scripts/test.sh installs them.
missing=()
qt_plugins=$(dirname "$(ldd "$program" | awk '/libQt6Core/ { print $3 }')")/qt6/plugins
if [ "$system" = wayland ]; then
  for tool in weston:weston weston-screenshooter:weston; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
  done
  [ -e "$qt_plugins/platforms/libqwayland-generic.so" ] || missing+=(qt6-wayland)
else
  for tool in Xvfb:xvfb jwm:jwm; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:}")
  done
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "skipped: the placement test on $system needs the packages ${missing[*]} (scripts/test.sh installs them)"
  exit 77
fi

. "$(dirname "$0")/../../scripts/lib/display.sh"
session_work
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
unset DISPLAY WAYLAND_DISPLAY

if [ "$system" = wayland ]; then
  # The pixman renderer, so that there is a picture to capture; --debug
  # offers the screenshooter.
  weston --backend=headless-backend.so --use-pixman --width=1280 --height=800 --socket=quillet-test \
    --idle-time=0 --debug >"$work/weston.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/quillet-test" ] && break; sleep 0.1; done
  [ -S "$XDG_RUNTIME_DIR/quillet-test" ] || { cat "$work/weston.log"; exit 1; }
  # The headless backend has no seat, no keyboard to type with; Qt's own
  # Wayland text input falls over a text field without one, so the edits
  # take their keys through the compose input method, as with no input
  # method on a desktop.
  export WAYLAND_DISPLAY=quillet-test QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose
  # The window draws into shared memory, so no EGL driver is loaded: Mesa's
  # (llvmpipe on a machine without a GPU) leaves allocations that the leak
  # check reports with no module to name, from a driver the test never uses.
  # Qt warns once that it has no client buffer integration named "none".
  export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
else
  start_xvfb 1280x800
  export QT_QPA_PLATFORM=xcb
  start_jwm
  sleep 0.3
fi
"$program"
