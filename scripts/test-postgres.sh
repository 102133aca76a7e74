#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the service's tests and benchmark.
#   scripts/test-postgres.sh start DIR   creates and starts a cluster in DIR (socket in DIR too)
#   scripts/test-postgres.sh stop DIR    stops it and removes DIR
# Connect with postgresql:///postgres?host=DIR&user=postgres
set -euo pipefail

action=${1:?start or stop}
dir=${2:?folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ]; then
  echo "PostgreSQL is not installed" >&2
  exit 1
fi

# initdb refuses to run as root: use the postgres account when we are root.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case "$action" in
  start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -A trust -U postgres >"$dir/initdb.log" 2>&1
    as_owner "$bin/pg_ctl" -D "$dir/data" -o "-k $dir -c listen_addresses= -c max_connections=200 -c fsync=on" \
      -l "$dir/log" -w start >/dev/null
    ;;
  stop)
    [ -d "$dir/data" ] && as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
