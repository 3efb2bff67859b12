#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the server's tests.
#   pg-test-cluster.sh start   prints the postgresql:// URL of a fresh database
#   pg-test-cluster.sh stop    stops the cluster and removes its folder
set -euo pipefail

bin=${PG_BIN:-/usr/lib/postgresql/15/bin}
state=${CT_PG_STATE:-/tmp/ct-pg-test-cluster.state}

as_postgres() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

# A loopback port nobody listens on (pg_ctl start fails, and we retry, if it is taken meanwhile).
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
}

start() {
  if [ -f "$state" ]; then
    echo "pg-test-cluster: already started (state file $state); stop it first" >&2
    exit 1
  fi
  [ -x "$bin/initdb" ] || { echo "pg-test-cluster: no PostgreSQL programs in $bin" >&2; exit 1; }
  local dir port user
  dir=$(mktemp -d /tmp/ct-pg-XXXXXX)
  chmod 755 "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir"
    user=postgres
  else
    user=$(id -un)
  fi
  as_postgres "$bin/initdb" -D "$dir/data" -U "$user" -A trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; rm -rf "$dir"; exit 1; }
  local tries=0
  while :; do
    port=$(free_port)
    if as_postgres "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c max_connections=200" start >/dev/null; then
      break
    fi
    tries=$((tries + 1))
    if [ $tries -ge 5 ]; then
      cat "$dir/server.log" >&2
      rm -rf "$dir"
      exit 1
    fi
  done
  as_postgres "$bin/createdb" -h 127.0.0.1 -p "$port" -U "$user" contratante_test
  printf '%s\n%s\n' "$dir" "$user" >"$state"
  echo "postgresql://$user@127.0.0.1:$port/contratante_test"
}

stop() {
  [ -f "$state" ] || { echo "pg-test-cluster: not started" >&2; exit 0; }
  local dir
  dir=$(sed -n 1p "$state")
  if [ -d "$dir/data" ]; then
    as_postgres "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir" "$state"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
