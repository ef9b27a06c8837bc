#!/usr/bin/env bash
# Whole runs of quillet-records on record files of many students, one result
# each, for docs/performance.md: dump, export-csv, merge of two files that
# share half their students, and merge --rename-conflicts of one name held
# 4,000 times with as many passwords. Wall time and peak memory from
# /usr/bin/time, the best of RUNS runs (default 3).
# Usage: bench/records-scale.sh [QUILLET_RECORDS [STUDENTS...]]
#        (default build/tools/quillet-records, 100000 and 1000000 students)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:-build/tools/quillet-records}")
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Students FIRST to FIRST+COUNT-1, one Test result each, into a record text.
students() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
first, count, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
with open(path, "w") as out:
    for s in range(first, first + count):
        out.write(f"ustudent{s}\npsecret{s}\ntHome and Small-Office Networking\n"
                  f"d2026{1 + s % 12:02d}{1 + s % 28:02d}1{s % 10}3000\ns001230\nr{s % 21:02d}\na20\n")
PY
}

# Prints "<what>: <best wall seconds> s, <its peak memory> MB".
timed() {
  local what=$1 best= memory=
  shift
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
    read -r seconds kb <"$work/time"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds memory=$((kb / 1024))
    fi
  done
  echo "$what: $best s, $memory MB"
}

for n in "${sizes[@]}"; do
  students 0 "$n" "$work/a.txt"
  students $((n / 2)) "$n" "$work/b.txt"
  "$tool" encode "$work/a.txt" "$work/a.blh"
  "$tool" encode "$work/b.txt" "$work/b.blh"
  echo "$n students ($(stat -c %s "$work/a.blh") bytes a file):"
  timed "  dump" "$tool" dump "$work/a.blh"
  timed "  export-csv" "$tool" export-csv "$work/a.blh"
  timed "  merge of two files sharing $((n / 2)) students" "$tool" merge "$work/out.blh" "$work/a.blh" "$work/b.blh"
done

python3 - "$work/same.txt" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    for s in range(4000):
        out.write(f"uann\npsecret{s}\ntA\nd20261201100000\ns000505\nr10\na20\n")
PY
"$tool" encode "$work/same.txt" "$work/same.blh"
timed "merge --rename-conflicts of one name held 4,000 times" \
  "$tool" merge --rename-conflicts "$work/out.blh" "$work/same.blh"
