#!/usr/bin/env bash
# Starts or stops the private PostgreSQL cluster that the server tests share:
#   pg_cluster.bash start DIR [durable] | stop DIR | pause DIR | resume DIR | bin
# pause stops the database and keeps its data; resume starts it again (a
# database restart, for the tests that servers live through one).
# The cluster listens only on a unix socket in DIR. Without PostgreSQL
# installed it fails, and so do the PostgreSQL tests.
# "durable" keeps PostgreSQL's flushes on (the benchmark measures real commits).
# bin prints the folder of the PostgreSQL programs it runs (psql is there too).
set -euo pipefail

action=${1:?usage: pg_cluster.bash start|stop DIR}
# The newest PostgreSQL installed.
bin=
for candidate in $(ls -dv /usr/lib/postgresql/*/bin 2>/dev/null); do
    [ ! -x "$candidate/initdb" ] || bin=$candidate
done
[ -n "$bin" ] || { echo "pg_cluster: PostgreSQL is not installed (scripts/setup installs it)" >&2; exit 1; }
[ "$action" != bin ] || { echo "$bin"; exit 0; }
dir=${2:?usage: pg_cluster.bash start|stop DIR}

# PostgreSQL refuses to run as root.
as_owner=()
[ "$(id -u)" -ne 0 ] || as_owner=(runuser -u postgres --)

start_postgres() {
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-k $dir -c listen_addresses='' -c max_connections=300 $(cat "$dir/options")" \
        start >/dev/null
}

case $action in
start)
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown postgres "$dir"
    "${as_owner[@]}" "$bin/initdb" -D "$dir/data" -A trust -U zentrix --no-sync >"$dir/initdb.log" 2>&1
    # Test data need no crash safety of their own: skip the flushes.
    shortcuts="-c fsync=off -c full_page_writes=off -c synchronous_commit=off"
    [ "${3:-}" != durable ] || shortcuts=
    echo "$shortcuts" >"$dir/options"
    start_postgres
    echo "pg_cluster: running on socket folder $dir"
    ;;
pause)
    "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
resume)
    start_postgres
    ;;
stop)
    if [ -f "$dir/data/postmaster.pid" ]; then
        "${as_owner[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: pg_cluster.bash start|stop|pause|resume DIR | bin" >&2
    exit 2
    ;;
esac
