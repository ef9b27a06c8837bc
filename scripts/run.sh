#!/usr/bin/env bash
# Sets everything up, builds, and opens Quillet on the bundled sample course.
# Without a display it shows the course and a drawn Test as text instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
bank=build/res/sample-course.blh

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # The companion player first: Quillet will not start without it.
  build/player/quillet-player &
  player=$!
  trap 'kill $player 2>/dev/null' EXIT
  for _ in $(seq 50); do
    grep -qs '^CURRENT_TITLE=' "${XDG_CONFIG_HOME:-$HOME/.config}/tovrin.ini" && break
    sleep 0.1
  done
  sleep 0.5
  build/app/quillet "$bank" "$@"
  exit
fi

echo "No display here, so this is the sample course as text. On a desktop, run:"
echo "  build/app/quillet $bank            (a 20-question Test)"
echo "  build/app/quillet $bank 3          (a quiz of chapter 3)"
echo "  build/app/quillet $bank /PRE       (a Pre-Test)"
echo
build/tools/quillet-bank dump "$bank" --text
echo
echo "----------------------------------------------------------------------"
build/tools/quillet-bank draw "$bank" --seed "$(date +%s)" --test --text
