#!/bin/sh
# Usage: no-window-system.sh PROGRAM
# Starts Quillet where no window can open: no display named at all, a
# Wayland and an X11 display named that do not answer, and the xcb plugin
# asked for by name on a dead display. Each time it must say so in one
# sentence on standard error that names both platform plugins and the
# package to install, print nothing else, and end with status 1, not with
# Qt's abort (status 134) and a core dump. So must a scale factor that no
# window can be shown at.
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
failed=0

check() {
  what=$1
  shift
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" "$@" \
    "$program" "$work/no-bank.blh" >"$work/out" 2>"$work/err"
  status=$?
  lines=$(wc -l <"$work/err")
  if [ "$status" -ne 1 ] || [ "$lines" -ne 1 ] || [ -s "$work/out" ] ||
     ! grep -q 'wayland' "$work/err" || ! grep -q 'xcb' "$work/err" || ! grep -q 'qt6-wayland' "$work/err"; then
    echo "FAIL: $what: status $status, $lines lines on standard error:"
    cat "$work/err" "$work/out"
    failed=1
  else
    echo "ok: $what"
  fi
}

# A scale no window can be shown at: one sentence that names it, status 1.
for scale in 0 -1 nan abc; do
  env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work/runtime" QT_SCALE_FACTOR="$scale" \
    "$program" "$work/no-bank.blh" >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" -ne 1 ] || [ "$(wc -l <"$work/err")" -ne 1 ] || [ -s "$work/out" ] ||
     ! grep -q "QT_SCALE_FACTOR .*\"$scale\"" "$work/err"; then
    echo "FAIL: QT_SCALE_FACTOR=$scale: status $status:"
    cat "$work/err" "$work/out"
    failed=1
  else
    echo "ok: QT_SCALE_FACTOR=$scale"
  fi
done

check "no display named"
check "displays named, none there" WAYLAND_DISPLAY=no-such-display DISPLAY=:97
check "xcb asked for, no X server" QT_QPA_PLATFORM=xcb DISPLAY=:97
exit $failed
