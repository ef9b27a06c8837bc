#!/usr/bin/env bash
# A PostgreSQL server of the tests' own, in a folder of theirs:
#   pg-server.sh start DIR   initdb into DIR/data as an unprivileged account
#                            (nobody when run as root), the Unix socket in DIR,
#                            scram-sha-256 for every role, the superuser
#                            quillet_admin whose password is in
#                            DIR/admin.password, and a database "quillet";
#                            without fsync, as tests need no power cuts
#                            survived, unless QUILLET_PG_FSYNC=on
#   pg-server.sh stop DIR    stops it
# Exit status 77, saying so, when PostgreSQL is not installed.
set -euo pipefail
command=$1 dir=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "skipped: the record server tests need the package postgresql (scripts/test.sh installs it)"
  exit 77
fi
as=()
if [ "$(id -u)" = 0 ]; then
  as=(runuser -u nobody --)
  chown nobody "$dir"
fi
case $command in
start)
  head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$dir/admin.password"
  chmod 644 "$dir/admin.password"
  "${as[@]}" "$bin/initdb" -D "$dir/data" -U quillet_admin --pwfile="$dir/admin.password" \
    -A scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; exit 1; }
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c fsync=${QUILLET_PG_FSYNC:-off} -c max_connections=120" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  PGPASSWORD=$(cat "$dir/admin.password") "$bin/psql" -X -q -h "$dir" -U quillet_admin -d postgres \
    -c "CREATE DATABASE quillet" >/dev/null
  ;;
stop)
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
  ;;
*)
  echo "usage: pg-server.sh start|stop DIR" >&2
  exit 2
  ;;
esac
