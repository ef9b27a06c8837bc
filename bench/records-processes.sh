#!/usr/bin/env bash
# Timed runs of whole processes on record files, for docs/performance.md:
#   1. quillet-records rewrite of a record file of 200,000 results;
#   2. 8 writers (separate processes) adding 50 results each to one record
#      file at the same time, each result its own locked change.
# Usage: bench/records-processes.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 2,000 students of 100 results each, graded on every day of 2026.
python3 - "$work/records.txt" <<'PY'
import sys, datetime
start = datetime.datetime(2026, 1, 1)
with open(sys.argv[1], "w") as out:
    n = 0
    for s in range(2000):
        out.write(f"ustudent{s}\npsecret{s}\n")
        for r in range(100):
            t = start + datetime.timedelta(days=n % 365, hours=n % 24, minutes=n % 60)
            out.write("tHome and Small-Office Networking\ncChapter 3: DHCP and DNS\n"
                      f"d{t:%Y%m%d%H%M}00\ns001230\nr08\na10\n")
            n += 1
PY
"$build/tools/quillet-records" encode "$work/records.txt" "$work/records.blh"
size=$(stat -c %s "$work/records.blh")
best=
for run in 1 2 3; do
  start=$(date +%s%N)
  "$build/tools/quillet-records" rewrite "$work/records.blh" "$work/copy.blh"
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
done
echo "rewrite of 200,000 results ($size bytes): best of 3 runs $best ms ($(( size / 1000 / best )) MB/s through read and write)"

for run in 1 2 3; do
  rm -f "$work/shared/quillet2.blh"*
  mkdir -p "$work/shared"
  start=$(date +%s%N)
  for k in 1 2 3 4 5 6 7 8; do
    "$build/tests/quillet_record_writer" "$work/shared/quillet2.blh" "s$k" 50 &
  done
  wait
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "8 concurrent writers, 400 results: $ms ms, $(( 400 * 1000 / ms )) results per second"
done
