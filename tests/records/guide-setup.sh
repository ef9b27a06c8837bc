#!/usr/bin/env bash
# The set-up of a school's record server as docs/records.md gives it, on a
# fresh cluster, each step as the account it names: the superuser makes the
# owner (CREATEROLE) and its database, the owner sets up the records and
# adds a lab machine and a teacher; then the machine, with only its
# credential file, registers a student and saves a result but reaches
# nothing else, and the teacher, with only his two files, reads the class
# until he is removed.
#   guide-setup.sh QUILLET_RECORDS PG_SERVER_SCRIPT
# Exit status 77, saying so, when PostgreSQL is not installed.
set -euo pipefail
tool=$1 server=$2
work=$(mktemp -d)
chmod 755 "$work"
trap 'bash "$server" stop "$work" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
status=0
bash "$server" start "$work" >"$work/start.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$work/start.log"
  exit "$status"
fi
bin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n1)
superuser() { PGPASSWORD=$(cat "$work/admin.password") "$@" -h "$work" -U quillet_admin; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The superuser's steps (createuser --pwprompt asks on a terminal; the
# password is set as it would).
superuser "$bin/createuser" --createrole quillet_owner
superuser "$bin/psql" -X -q -d postgres -c "ALTER ROLE quillet_owner PASSWORD 'owner-secret'"
superuser "$bin/createdb" --owner quillet_owner school

# The owner's, with his password where the administrator's tools find it.
export PGPASSFILE=$work/pgpass
(umask 077 && echo "*:*:school:quillet_owner:owner-secret" >"$PGPASSFILE")
owner="host=$work dbname=school user=quillet_owner"
"$tool" db init "$owner" | grep -q "upgraded from version 0" || fail "db init as the owner"
"$tool" db add-machine "$owner" lab1 --server "$work" --out "$work/lab1.record-server" >/dev/null
"$tool" db add-teacher "$owner" ann --server "$work" --out "$work/ann" >/dev/null

# The machine, with what its credential file holds.
database=$(sed -n 's/^Database=//p' "$work/lab1.record-server")
password=$(sed -n 's/^Password=//p' "$work/lab1.record-server")
machine() { PGPASSWORD=$password "$bin/psql" -X -q -A -t -v ON_ERROR_STOP=1 "$database" -c "$1" 2>&1; }
try=$(machine "SELECT quillet.try_register('alice', 'her password')")
token=$(machine "SELECT token FROM quillet.try_answer('$try')")
[ ${#token} -eq 64 ] || fail "the machine registers a student: $try $token"
saved=$(machine "SELECT count(*) FROM quillet.add_result('$token', 'k1', true, false, 'Networks', '', 1765000000,
                 NULL, 600, 17, 20, NULL, NULL, NULL, NULL)")
[ "$saved" = 1 ] || fail "the machine saves a result: $saved"
for forbidden in "SELECT count(*) FROM quillet.students" "SELECT quillet_crypto.gen_random_bytes(8)" \
  "CREATE TEMPORARY TABLE planted (x integer)" "ALTER ROLE quillet_owner PASSWORD 'x'" \
  "CREATE ROLE intruder LOGIN IN ROLE quillet_teacher"; do
  if machine "$forbidden" >/dev/null; then fail "the machine may: $forbidden"; fi
done

# The teacher, with his service entry and password line: the class, and no password.
teacher() { PGSERVICEFILE=$work/ann.pg_service.conf PGPASSFILE=$work/ann.pgpass "$tool" "$@"; }
teacher export-csv "service=quillet" >"$work/class.csv"
grep -q "alice" "$work/class.csv" || fail "the teacher reads the class: $(cat "$work/class.csv")"
if teacher db export "service=quillet" "$work/all.blh" 2>/dev/null; then fail "the teacher exports the passwords"; fi
"$tool" db remove-teacher "$owner" ann >/dev/null
if teacher export-csv "service=quillet" >/dev/null 2>&1; then fail "a removed teacher reads the class"; fi
echo "the guide's set-up works as written"
