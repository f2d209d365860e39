#!/usr/bin/env bash
# Throw-away PostgreSQL server for the database tests.
#
#   test-postgres.sh start   creates a cluster in a temporary folder, starts it on
#                            127.0.0.1 at a free port and prints "export TAVO_TEST_PG_...=..."
#                            lines for the caller to eval
#   test-postgres.sh stop    stops that server and removes its folder (found through
#                            TAVO_TEST_PG_DIR, else through the state file)
#
# The tests sign in as a clinic would: with a role of their own and a password made up at
# start (never the program's built-in credentials), which they declare in the data source
# "Case" from TAVO_TEST_PG_USER and TAVO_TEST_PG_PASSWORD.
set -euo pipefail

pg_bin=${TAVO_PG_BIN:-/usr/lib/postgresql/15/bin}
state_file=${TMPDIR:-/tmp}/tavo-test-postgres.state
db_name=tavo_test
db_user=clinic_tavo

# 24 letters and digits: nothing to quote in SQL, a shell or an ODBC connection string.
random_password() {
  tr -dc 'A-Za-z0-9' </dev/urandom | head -c 24 || true
}

log() { echo "test-postgres: $*" >&2; }

# The server refuses to run as root; run its programs as the postgres system user.
as_postgres() {
  if [[ $(id -un) == postgres ]]; then
    "$@"
  elif [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_is_free() {
  ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start() {
  [[ -x $pg_bin/pg_ctl ]] || { log "no PostgreSQL programs in $pg_bin"; exit 1; }
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tavo-pg-XXXXXX")
  chmod 755 "$dir"
  if [[ $(id -u) -eq 0 ]]; then
    id postgres >/dev/null 2>&1 || { log "no postgres system user"; rm -rf "$dir"; exit 1; }
    chown postgres: "$dir"
  fi
  echo "$dir" >"$state_file"

  local db_password superuser_password pwfile=$dir/pw
  db_password=$(random_password)
  superuser_password=$(random_password)
  as_postgres sh -c "umask 077; printf '%s\n' '$superuser_password' >'$pwfile'"
  as_postgres "$pg_bin/initdb" -D "$dir/data" -U postgres --auth-local=trust \
    --auth-host=scram-sha-256 --pwfile="$pwfile" -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { log "initdb failed"; cat "$dir/initdb.log" >&2; exit 1; }

  local port started=0
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 40000))
    port_is_free "$port" || continue
    if as_postgres "$pg_bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 start \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
        >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  ((started)) || { log "server did not start"; cat "$dir/server.log" >&2 || true; exit 1; }

  as_postgres "$pg_bin/psql" -q -h "$dir" -p "$port" -U postgres -d postgres -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE $db_user LOGIN PASSWORD '$db_password'" \
    -c "CREATE DATABASE $db_name OWNER $db_user ENCODING 'UTF8'" >/dev/null \
    || { log "cannot create the test role and database"; exit 1; }

  echo "export TAVO_TEST_PG_PORT=$port"
  echo "export TAVO_TEST_PG_DB=$db_name"
  echo "export TAVO_TEST_PG_USER=$db_user"
  echo "export TAVO_TEST_PG_PASSWORD=$db_password"
  echo "export TAVO_TEST_PG_DIR=$dir"
}

stop() {
  local dir=${TAVO_TEST_PG_DIR:-}
  if [[ -z $dir && -f $state_file ]]; then
    dir=$(cat "$state_file")
  fi
  [[ -n $dir && -d $dir ]] || return 0
  # Refuse anything that is not one of our own folders.
  [[ $(basename "$dir") == tavo-pg-* ]] || { log "not a test cluster: $dir"; exit 1; }
  if [[ -f $dir/data/postmaster.pid ]]; then
    as_postgres "$pg_bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  if [[ -f $state_file && $(cat "$state_file") == "$dir" ]]; then
    rm -f "$state_file"
  fi
}

case ${1:-} in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
