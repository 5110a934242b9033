#!/usr/bin/env bash
# A throw-away PostgreSQL server for the server test suite.
#
#   scripts/pg-test-server.sh start BUILD_DIR   prints "export ZENLO_TEST_PG_...=..." on stdout
#   scripts/pg-test-server.sh stop BUILD_DIR
#
# The server listens on 127.0.0.1 only (first free port from 54329 on), trusts
# every local connection, keeps its data in BUILD_DIR/pgdata and logs to
# BUILD_DIR/pg.log. Run as root it runs as the "postgres" system user. Every
# start begins with an empty data folder: nothing in it is worth keeping.
set -euo pipefail

usage() {
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
}
[ $# -eq 2 ] || usage
action=$1
mkdir -p "$2"
build_dir=$(cd "$2" && pwd)
data_dir=$build_dir/pgdata
log_file=$build_dir/pg.log
state_file=$build_dir/pg.env
pg_user=postgres
pg_database=zenlo_test

find_bin() {
  if [ -n "${ZENLO_PG_BIN:-}" ]; then
    echo "$ZENLO_PG_BIN"
    return
  fi
  local v
  for v in 15 16 17 14 13; do
    if [ -x "/usr/lib/postgresql/$v/bin/pg_ctl" ]; then
      echo "/usr/lib/postgresql/$v/bin"
      return
    fi
  done
  echo "pg-test-server: no PostgreSQL server binaries under /usr/lib/postgresql (install the postgresql package)" >&2
  exit 1
}

# Runs a server program as the owner of the data folder.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_busy() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

fail_with_log() {
  echo "pg-test-server: $1" >&2
  if [ -f "$log_file" ]; then
    echo "---- last lines of $log_file ----" >&2
    tail -n 30 "$log_file" >&2 || true
  fi
  exit 1
}

stop_server() {
  local bin=$1
  if [ -f "$data_dir/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$data_dir" -m fast -w -t 30 stop >>"$log_file" 2>&1 || true
  fi
}

start() {
  local bin
  bin=$(find_bin)
  stop_server "$bin"
  rm -rf "$data_dir"
  : >"$log_file"

  if [ "$(id -u)" -eq 0 ]; then
    id postgres >/dev/null 2>&1 || fail_with_log "running as root needs the 'postgres' system user (postgresql package)"
    mkdir -p "$data_dir"
    chown postgres: "$data_dir" "$log_file"
    chmod 700 "$data_dir"
    runuser -u postgres -- test -w "$data_dir" ||
      fail_with_log "user postgres cannot reach $data_dir (a parent folder is not searchable by others)"
  fi

  local locale_opts=(--no-locale)
  # A UTF-8 locale lets lower() (and so citext) fold non-ASCII letters too.
  if locale -a 2>/dev/null | grep -qix 'c\.utf-\?8'; then
    locale_opts=(--locale=C.UTF-8)
  fi
  as_owner "$bin/initdb" -D "$data_dir" -U "$pg_user" -A trust -E UTF8 "${locale_opts[@]}" -N >>"$log_file" 2>&1 ||
    fail_with_log "initdb failed"

  local port=${ZENLO_TEST_PG_PORT_FIRST:-54329} last tries=0
  last=$((port + 70))
  while :; do
    while port_busy "$port"; do
      port=$((port + 1))
      [ "$port" -le "$last" ] || fail_with_log "no free port between ${ZENLO_TEST_PG_PORT_FIRST:-54329} and $last"
    done
    # No Unix socket: its path length limit would depend on where the build folder lies.
    if as_owner "$bin/pg_ctl" -D "$data_dir" -l "$log_file" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100" \
      start >/dev/null 2>>"$log_file"; then
      break
    fi
    # Another process may have taken the port between the probe and the start.
    tries=$((tries + 1))
    [ "$tries" -lt 3 ] || fail_with_log "the server did not start"
    port=$((port + 1))
  done

  local psql=("$bin/psql" -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$port" -U "$pg_user")
  {
    "${psql[@]}" -d postgres -c "CREATE DATABASE $pg_database" &&
      "${psql[@]}" -d template1 -c "CREATE EXTENSION IF NOT EXISTS citext" &&
      "${psql[@]}" -d "$pg_database" -c "CREATE EXTENSION IF NOT EXISTS citext"
  } >>"$log_file" 2>&1 || {
    stop_server "$bin"
    fail_with_log "could not create the test database"
  }

  cat >"$state_file" <<EOF
export ZENLO_TEST_PG_HOST=127.0.0.1 ZENLO_TEST_PG_PORT=$port ZENLO_TEST_PG_USER=$pg_user ZENLO_TEST_PG_DATABASE=$pg_database
EOF
  cat "$state_file"
}

stop() {
  local bin
  bin=$(find_bin)
  stop_server "$bin"
  rm -f "$state_file"
}

case "$action" in
start) start ;;
stop) stop ;;
*) usage ;;
esac
