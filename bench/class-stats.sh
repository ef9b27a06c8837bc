#!/usr/bin/env bash
# Whole runs of quillet-records stats and report --html over a made-up class
# (bench/make_class.py), for docs/performance.md: by default 50,000 graded
# tests of 20 questions, 1,000,000 answers. Wall time and peak memory from
# /usr/bin/time, the best of RUNS runs (default 3), with the size of the
# responses file that memory is set against. Then, where PostgreSQL is
# installed, the same class on a server of its own (started as the tests
# start theirs), read as a teacher reads it, with the CPU its own processes
# spent; its figures are checked to be the file's.
# Usage: bench/class-stats.sh [BUILD_DIR [TESTS]]   (default build, 50000)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
tests=${2:-50000}
records=$build/tools/quillet-records
bank=$build/tools/quillet-bank
runs=${RUNS:-3}
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  [ ! -d "$work/pg" ] || bash tests/records/pg-server.sh stop "$work/pg" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

python3 bench/make_class.py "$work" --tests "$tests" --questions 20
"$bank" encode "$work/bank.txt" "$work/bank.blh"
"$records" encode "$work/records.txt" "$work/quillet2.blh"
responses=$(stat -c %s "$work/quillet2.responses")
answers=$(grep -c '^r' "$work/quillet2.responses")

# The CPU ticks of the server's processes that have ended, once one is started.
postmaster=
server_ticks() {
  if [ -n "$postmaster" ]; then awk '{ print $16 + $17 }' "/proc/$postmaster/stat"; else echo 0; fi
}

# Prints "<what>: <best wall seconds> s (<its user CPU seconds> s of the tool's own[, <user and
# system CPU seconds> s of the server's]), <its peak memory> MB (<ratio> x the responses file)".
timed() {
  local what=$1 best= kb= cpu= server= before
  shift
  for _ in $(seq "$runs"); do
    before=$(server_ticks)
    /usr/bin/time -f "%e %M %U" -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
    # Time for the server to see that its session ended.
    [ -z "$postmaster" ] || sleep 0.5
    read -r seconds memory user <"$work/time"
    if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$seconds kb=$memory cpu=$user server=$(($(server_ticks) - before))
    fi
  done
  local own="$cpu s of the tool's own"
  [ -z "$postmaster" ] ||
    own+=$(awk -v t="$server" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf ", %.2f s of the server", t / hz }')"'s"
  echo "$what: $best s ($own), $((kb / 1024)) MB" \
    "($(awk -v m="$kb" -v f="$responses" 'BEGIN { printf "%.2f", m * 1024 / f }') x the responses file)"
}

echo "$tests graded tests, $answers answers; responses file $((responses / 1024 / 1024)) MB," \
  "record file $(($(stat -c %s "$work/quillet2.blh") / 1024 / 1024)) MB"
timed "  stats" "$records" stats "$work/quillet2.blh"
timed "  stats --bank --json" "$records" stats "$work/quillet2.blh" --bank "$work/bank.blh" --json
timed "  stats --csv" "$records" stats "$work/quillet2.blh" --csv
timed "  report --html --bank" "$records" report --html "$work/report.html" "$work/quillet2.blh" --bank "$work/bank.blh"
echo "  the page: $(($(stat -c %s "$work/report.html") / 1024)) KB"

mkdir -m 755 "$work/pg"
started=0
bash tests/records/pg-server.sh start "$work/pg" >/dev/null || started=$?
[ "$started" -ne 77 ] || exit 0
[ "$started" -eq 0 ] || exit 1
admin="host=$work/pg dbname=quillet user=quillet_admin password=$(cat "$work/pg/admin.password")"
"$records" db init "$admin" >/dev/null
# The responses file as rows to copy: a result per test, an answer per line.
python3 - "$work" <<'PY'
import csv, sys
work = sys.argv[1]
students = {}
with open(f"{work}/quillet2.responses") as src, open(f"{work}/results.csv", "w", newline="") as res, \
        open(f"{work}/answers.csv", "w", newline="") as ans:
    results, answers = csv.writer(res), csv.writer(ans)
    t = -1
    for line in src:
        f = line.rstrip("\n").split("\t")
        if f[0] == "t":
            t += 1
            position = 0
            results.writerow([f[3], f"b-{t}", f[2] != "Quiz", f[2] == "Pre-Test", f[4], f[5], f[1], f[8], f[6], f[7]])
        else:
            key = f[6] if len(f) > 6 and f[6] != "-" else ""
            answers.writerow([f"b-{t}", position, f[1], f[2], "" if f[3] == "-" else f[3], f[4] == "1", f[5] == "1",
                              key])
            position += 1
PY
psql -X -q "$admin" <<SQL
CREATE ROLE teacher LOGIN PASSWORD 'teacher' IN ROLE quillet_teacher;
CREATE TEMP TABLE r (name text, request_key text, is_test boolean, is_pretest boolean, title text, chapter text,
                     graded bigint, bank_path text, bank_size bigint, bank_hash text);
CREATE TEMP TABLE a (request_key text, position integer, chapter text, question_key text, answer smallint,
                     is_right boolean, flagged boolean, answer_key text);
\\copy r FROM '$work/results.csv' WITH (FORMAT csv)
\\copy a FROM '$work/answers.csv' WITH (FORMAT csv)
INSERT INTO quillet.students (name, password_hash) SELECT DISTINCT name, 'x' FROM r;
INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, taken,
                             right_answers, total, bank_path, bank_size, bank_hash)
    SELECT s.id, r.request_key, r.is_test, r.is_pretest, r.title, coalesce(r.chapter, ''), r.graded, 600, k.n,
           k.total, r.bank_path, r.bank_size, r.bank_hash
    FROM r JOIN quillet.students s ON s.name = r.name
    JOIN (SELECT request_key, count(*) FILTER (WHERE is_right) AS n, count(*) AS total FROM a GROUP BY 1) k
      ON k.request_key = r.request_key
    ORDER BY r.graded;
INSERT INTO quillet.responses (result_id, position, chapter, question_key, answer, is_right, flagged, answer_key)
    SELECT x.id, a.position, a.chapter, a.question_key, a.answer, a.is_right, a.flagged, a.answer_key
    FROM a JOIN quillet.results x ON x.request_key = a.request_key;
VACUUM ANALYZE;
SQL
teacher="host=$work/pg dbname=quillet user=teacher password=teacher"
postmaster=$(head -n1 "$work/pg/data/postmaster.pid")
"$records" stats "$work/quillet2.blh" --bank "$work/bank.blh" --json >"$work/file.json"
"$records" stats "$teacher" --bank "$work/bank.blh" --json >"$work/server.json"
cmp -s "$work/file.json" "$work/server.json" || { echo "the server's figures differ from the file's"; exit 1; }
echo "The same class on a record server (the figures the same as the file's):"
timed "  stats" "$records" stats "$teacher"
timed "  report --html --bank" "$records" report --html "$work/report.html" "$teacher" --bank "$work/bank.blh"
