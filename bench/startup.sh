#!/usr/bin/env bash
# From launch to the first painted window, Quillet set against a bare Qt
# window of the same size, side by side, for docs/performance.md: on an X
# server of its own (Xvfb) with a window manager (jwm), the stand-in player
# running, each program launched RUNS times in turn (which goes first
# alternates) and stopped once its window is painted. Both print the marks of
# app/StartupMarks.h; the time is the "painted" mark less the moment the
# script launched the program. Prints every run, the medians and their ratio,
# and the marks of each (medians, from launch).
# Usage: bench/startup.sh [BUILD_DIR] [RUNS] [QUILLET]   (default build, 12,
#        the build's quillet; another quillet binary sets an older build
#        against the same bare window)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-12}
quillet=${3:-$build/app/quillet}
bare=$build/bench/quillet_bare_window
bank=$build/res/sample-course.blh
for tool in Xvfb jwm; do
  command -v $tool >/dev/null || { echo "bench/startup.sh needs $tool (packages xvfb, jwm)"; exit 1; }
done

. scripts/lib/display.sh
session_work
start_xvfb 1280x800
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
export QUILLET_RECORD_DIR=$work/records HOME=$work/home QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$HOME" "$QUILLET_RECORD_DIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_jwm
"$build/player/quillet-player" >"$work/player.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -qs '^CURRENT_TITLE=' "$XDG_CONFIG_HOME/tovrin.ini" && break; sleep 0.1; done
sleep 0.5

# Launches "$@" with the marks on, waits for "painted", stops it; prints
# each mark as "WHAT MILLISECONDS-FROM-LAUNCH".
launch() {
  local err=$work/marks start pid
  : >"$err"
  start=$(date +%s%6N)
  QUILLET_STARTUP_MARKS=1 "$@" 2>"$err" &
  pid=$!
  for _ in $(seq 500); do grep -q '^startup-mark painted ' "$err" && break; sleep 0.01; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  grep -q '^startup-mark painted ' "$err" || { echo "no window painted by $1:" >&2; cat "$err" >&2; exit 1; }
  awk -v start="$start" '/^startup-mark / { what = $2; for (i = 3; i < NF; ++i) what = what "_" $i;
                                            printf "%s %.1f\n", what, ($NF - start) / 1000 }' "$err"
}

# One start of each first, unmeasured, so that both find the libraries and
# fonts in the page cache.
launch "$bare" >/dev/null
launch "$quillet" "$bank" >/dev/null
: >"$work/bare.txt"
: >"$work/quillet.txt"
for run in $(seq "$runs"); do
  if [ $((run % 2)) -eq 1 ]; then order="bare quillet"; else order="quillet bare"; fi
  for which in $order; do
    if [ "$which" = bare ]; then
      launch "$bare" >>"$work/bare.txt"
    else
      launch "$quillet" "$bank" >>"$work/quillet.txt"
    fi
  done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
painted() { awk '$1 == "painted" { print $2 }' "$1"; }
echo "bare window, ms to painted:  $(painted "$work/bare.txt" | tr '\n' ' ')"
echo "quillet, ms to painted:      $(painted "$work/quillet.txt" | tr '\n' ' ')"
bare_median=$(painted "$work/bare.txt" | median)
quillet_median=$(painted "$work/quillet.txt" | median)
echo "medians of $runs runs: bare window $bare_median ms, quillet $quillet_median ms," \
     "ratio $(awk -v q="$quillet_median" -v b="$bare_median" 'BEGIN { printf "%.2f", q / b }')"
for which in bare quillet; do
  echo "$which: marks, median ms from launch:"
  for what in $(awk '{ print $1 }' "$work/$which.txt" | awk '!seen[$0]++'); do
    printf '  %-16s %s\n' "$what" "$(awk -v w="$what" '$1 == w { print $2 }' "$work/$which.txt" | median)"
  done
done
