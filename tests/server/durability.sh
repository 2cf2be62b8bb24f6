#!/usr/bin/env bash
# A server killed with SIGKILL in the middle of a score load loses no score
# it had acknowledged: after a restart on the same SQLite file every
# acknowledged score is still each slot's personal best or below it.
set -euo pipefail
source "$(dirname "$0")/server_port.bash"

build_dir=${1:?usage: durability.sh BUILD_DIR}
server=$build_dir/zentrix-server
bench=$build_dir/zentrix-server-bench
key=$build_dir/keys/server_private.pem
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill -9 "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "durability: FAIL: $*" >&2
    [ ! -f "$work/server1.log" ] || tail -n 20 "$work"/server*.log >&2
    exit 1
}

# Starts the server on a free port; sets server_pid and port.
start_server() {
    local log=$work/server$1.log
    "$server" serve --listen 127.0.0.1:0 --db "sqlite:$work/scores.sqlite" --key "$key" \
        --threads 8 --count-unverified-results >"$log" 2>&1 &
    server_pid=$!
    port=$(server_port "$log" "$server_pid") || fail "the server did not start or report its port"
}

start_server 1
"$bench" --server "127.0.0.1:$port" --clients 16 --seconds 6 --users 4 \
    --ack-log "$work/acks" >"$work/load.log" 2>&1 &
load_pid=$!
# Kill once scores are flowing.
for _ in $(seq 100); do
    [ "$(cat "$work/acks" 2>/dev/null | wc -l)" -lt 50 ] || break
    sleep 0.1
done
kill -9 "$server_pid"
wait "$server_pid" 2>/dev/null || true
server_pid=
acked=$(wc -l <"$work/acks")
wait "$load_pid" || fail "the load generator failed: $(cat "$work/load.log")"
[ "$acked" -ge 50 ] || fail "only $acked scores were acknowledged before the kill"

start_server 2
"$bench" --server "127.0.0.1:$port" --verify "$work/acks" || fail "acknowledged scores were lost"
echo "durability: $acked acknowledged scores survived SIGKILL"
