#!/usr/bin/env bash
# The two record stores at a school's size, for docs/performance.md: a
# PostgreSQL server of its own (started as the tests start theirs) holding
# 2,000,000 results of 50,000 students, and a record file of 200,000
# results of 5,000 students. For each: 1 and 50 lab machines (processes) at
# once, each with its own login role, logging its student in and adding
# results; medians and 99th percentiles per call, and adds a second. Beside
# them, on the same server in the same run, pgbench's one-row insert with
# 50 clients: the yardstick of what the server commits a second.
# Usage: bench/records-server.sh [BUILD_DIR]   (default build; as root or
# any account that may run initdb)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  bash tests/records/pg-server.sh stop "$work" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
# A server that keeps every commit on disk, as a school's would.
QUILLET_PG_FSYNC=on bash tests/records/pg-server.sh start "$work"
admin="host=$work dbname=quillet user=quillet_admin password=$(cat "$work/admin.password")"
"$build/tools/quillet-records" db init "$admin" >/dev/null
echo "== filling the server: 50,000 students, 2,000,000 results"
time psql -X -q "$admin" <<'SQL'
SELECT format('CREATE ROLE bench_m%s LOGIN PASSWORD ''lab'' IN ROLE quillet_student', g) FROM generate_series(0, 50) g
\gexec
CREATE TABLE bench_insert (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, student integer NOT NULL,
                           graded bigint NOT NULL, right_answers integer NOT NULL);
-- One hash for all: Blowfish takes milliseconds each, and any hash checks the same.
INSERT INTO quillet.students (name, password_hash)
    SELECT 'bench-' || g, h.hash FROM generate_series(0, 49999) g,
           (SELECT quillet.password_hash('pw') AS hash) h;
-- Stored when graded, over forty days: none counts against a student's results of the last hour.
INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, taken,
                             right_answers, total, stored)
    SELECT s.id, 'seed-' || s.id || '-' || r, true, false, 'Home and Small-Office Networking', '',
           1760000000 + r * 86400, 600, r % 21, 20, to_timestamp(1760000000 + r * 86400)
    FROM quillet.students s, generate_series(1, 40) r;
VACUUM ANALYZE;
SQL
# Fifty scram exchanges at once on two cores outlast a machine's four seconds.
lab="host=$work dbname=quillet user={machine} password=lab connect_timeout=60"
cat >"$work/insert.sql" <<'SQL'
\set s random(1, 50000)
INSERT INTO bench_insert (student, graded, right_answers) VALUES (:s, 1800000000, 10);
SQL
pgbench=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n1)/pgbench
echo "== pgbench, one-row insert, 50 clients, 20 seconds"
PGPASSWORD=$(cat "$work/admin.password") "$pgbench" -n -c 50 -j 2 -T 20 -f "$work/insert.sql" \
  -h "$work" -U quillet_admin quillet | grep -E "latency average|tps"
for clients in 1 50; do
  echo "== record server, $clients machines at once"
  # A student saves at most 120 results an hour.
  # The one machine is student 50, so that no student saves more than 120 results an hour.
  "$build/bench/quillet_store_latency" "$lab" "$clients" 100 $((clients == 1 ? 50 : 0))
done

echo "== filling a record file: 5,000 students, 200,000 results"
python3 - "$work/records.txt" <<'PY'
import sys
with open(sys.argv[1], "w") as out:
    for s in range(5000):
        out.write(f"ubench-{s}\nppw\n")
        for r in range(40):
            out.write(f"tHome and Small-Office Networking\nd2026{1 + r % 12:02d}{1 + r % 28:02d}100000\ns001000\nr{r % 21:02d}\na20\n")
PY
mkdir -p "$work/folder"
"$build/tools/quillet-records" encode "$work/records.txt" "$work/folder/quillet2.blh"
for clients in 1 50; do
  echo "== record file, $clients machines at once"
  "$build/bench/quillet_store_latency" "$work/folder/quillet2.blh" "$clients" $((clients == 1 ? 20 : 2))
done
