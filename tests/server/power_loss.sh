#!/usr/bin/env bash
# A simulated power loss in the middle of a score load: the server runs with
# a preloaded library that remembers each database file as it stood at its
# last flush; the server is killed and every file is put back to that state,
# which is all a power cut would leave. After a restart on those files every
# acknowledged score must still be there. The same run with the flushes
# ignored (as a server that never waited for the disk) must lose scores, or
# the simulation would prove nothing.
set -euo pipefail
source "$(dirname "$0")/server_port.bash"

build_dir=${1:?usage: power_loss.sh BUILD_DIR}
server=$build_dir/zentrix-server
bench=$build_dir/zentrix-server-bench
shim=$build_dir/power_loss_shim.so
key=$build_dir/keys/server_private.pem
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill -9 "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "power_loss: FAIL: $*" >&2
    tail -n 20 "$work"/*/server*.log >&2 || true
    exit 1
}

# start_server DIR N [shim]: sets server_pid and port.
start_server() {
    local preload=()
    [ -z "${3:-}" ] || preload=(env LD_PRELOAD="$shim" ZENTRIX_POWER_LOSS_DIR="$1/db")
    "${preload[@]}" "$server" serve --listen 127.0.0.1:0 --db "sqlite:$1/db/scores.sqlite" \
        --key "$key" --threads 8 --count-unverified-results >"$1/server$2.log" 2>&1 &
    server_pid=$!
    port=$(server_port "$1/server$2.log" "$server_pid") || fail "the server did not start"
}

# What the disk holds after the cut: each file as of its last flush; a file
# never flushed is gone, and so is SQLite's shared-memory index (rebuilt on open).
cut_power() {
    local file
    for file in "$1"/db/*; do
        case $file in *.synced | *.partial) continue ;; esac
        if [ -f "$file.synced" ]; then mv "$file.synced" "$file"; else rm -f "$file"; fi
    done
    rm -f "$1"/db/*-shm
}

# run DIR: load, kill, cut; prints how many acknowledged scores were lost.
run() {
    mkdir -p "$1/db"
    start_server "$1" 1 shim
    "$bench" --server "127.0.0.1:$port" --clients 8 --seconds 5 --users 4 \
        --ack-log "$1/acks" >"$1/load.log" 2>&1 &
    local load_pid=$!
    for _ in $(seq 100); do
        [ "$(cat "$1/acks" 2>/dev/null | wc -l)" -lt 40 ] || break
        sleep 0.1
    done
    kill -9 "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    wait "$load_pid" || true
    [ "$(wc -l <"$1/acks")" -ge 40 ] || fail "only $(wc -l <"$1/acks") scores were acknowledged"
    cut_power "$1"
    start_server "$1" 2
    if "$bench" --server "127.0.0.1:$port" --verify "$1/acks" >"$1/verify.log" 2>&1; then
        touch "$1/nothing_lost"
    fi
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
}

run "$work/flushed"
[ -f "$work/flushed/nothing_lost" ] || fail "acknowledged scores were lost: $(tail -n 3 "$work/flushed/verify.log")"
export ZENTRIX_POWER_LOSS_IGNORE_SYNC=1
run "$work/unflushed"
unset ZENTRIX_POWER_LOSS_IGNORE_SYNC
[ ! -f "$work/unflushed/nothing_lost" ] ||
    fail "with its flushes ignored the server lost nothing: the simulation does not work"
echo "power_loss: $(wc -l <"$work/flushed/acks") acknowledged scores survived the cut;" \
    "without flushes the check fails as it must"
