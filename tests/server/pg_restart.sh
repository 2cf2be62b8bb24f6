#!/usr/bin/env bash
# A PostgreSQL restart in the middle of a score load: submissions fail only
# while the database is down, and afterwards the same server process (not
# restarted) answers every one again.
set -euo pipefail
source "$(dirname "$0")/server_port.bash"

build_dir=${1:?usage: pg_restart.sh BUILD_DIR}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
server=$build_dir/zentrix-server
bench=$build_dir/zentrix-server-bench
key=$build_dir/keys/server_private.pem
cluster="bash $source_dir/tests/server/pg_cluster.bash"
work=$(mktemp -d)
chmod 755 "$work"
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    $cluster stop "$work/pg" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "pg_restart: FAIL: $*" >&2
    tail -n 20 "$work/server.log" >&2 || true
    exit 1
}

$cluster start "$work/pg" | grep -q running || { echo "pg_restart: no PostgreSQL; skipped"; exit 0; }
url="postgresql:///postgres?host=$work/pg&user=zentrix"
"$server" serve --listen 127.0.0.1:0 --db "$url" --key "$key" --threads 8 \
    --trusted-proxy 127.0.0.1/32 --count-unverified-results >"$work/server.log" 2>&1 &
server_pid=$!
port=$(server_port "$work/server.log" "$server_pid") || fail "the server did not start"

"$bench" --server "127.0.0.1:$port" --clients 8 --seconds 8 --users 4 >"$work/during.txt" 2>&1 &
load_pid=$!
sleep 2
$cluster pause "$work/pg"
sleep 2
$cluster resume "$work/pg"
wait "$load_pid" || fail "the load generator failed: $(cat "$work/during.txt")"
kill -0 "$server_pid" 2>/dev/null || fail "the server died with the database"

"$bench" --server "127.0.0.1:$port" --clients 8 --seconds 2 --users 4 >"$work/after.txt" 2>&1 ||
    fail "no load after the restart: $(cat "$work/after.txt")"
counts() { sed -n 's/^acknowledged \([0-9]*\), refused \([0-9]*\), unanswered \([0-9]*\)/\1 \2 \3/p' "$1"; }
read -r during_ok during_refused during_unanswered < <(counts "$work/during.txt")
read -r after_ok after_refused after_unanswered < <(counts "$work/after.txt")
[ "$during_ok" -gt 0 ] || fail "nothing was acknowledged around the restart"
[ "$after_ok" -gt 0 ] && [ "$after_refused" -eq 0 ] && [ "$after_unanswered" -eq 0 ] ||
    fail "after the restart: $after_ok acknowledged, $after_refused refused, $after_unanswered unanswered"
echo "pg_restart: around the restart $during_ok acknowledged, $during_refused refused;" \
    "after it $after_ok acknowledged, none refused"
