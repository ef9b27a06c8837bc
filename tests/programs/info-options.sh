#!/bin/sh
# Usage: info-options.sh NAME PROGRAM VERSION
# Runs PROGRAM --help and --version with no display to reach: each must
# answer on standard output, name the program (and VERSION), write nothing
# on standard error and exit 0. A program that started Qt's window system
# first would fail here.
name=$1
program=$2
version=$3
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
err=$(mktemp)
trap 'rm -f "$err"' EXIT
failed=0

check() {
  option=$1
  expected=$2
  out=$("$program" "$option" 2>"$err")
  status=$?
  if [ "$status" -ne 0 ] || [ -s "$err" ]; then
    echo "FAIL: $name $option exited $status, with on standard error:"
    cat "$err"
    failed=1
  fi
  case $out in
    $expected) echo "ok: $name $option" ;;
    *)
      echo "FAIL: $name $option printed \"$out\", not $expected"
      failed=1
      ;;
  esac
}

check --help "usage: $name *"
check --version "$name $version"
exit $failed
