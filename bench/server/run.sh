#!/usr/bin/env bash
# Benchmarks the game server on this machine (never run by the tests):
#   bench/server/run.sh [BUILD_DIR] [SECONDS] [postgres|replays]
# With "postgres" only scenario 6 runs (the others need minutes of both cores),
# with "replays" only scenario 7 (on both back ends).
# 1. the RSA-1024 private-key limit (openssl speed), the ceiling of secure requests;
# 2. score submissions/s and latency at 64 concurrent clients, one server on SQLite;
# 3. the same while 2,000 idle keep-alive connections and 200 slow-header
#    clients hang on the server (they must not starve the submissions), three
#    runs of each in turn;
# 4. the ranking page at offsets 0, 50,000 and 99,990 with 100,000 players, SQLite;
# 5. 500 players, each with a libcurl multi handle that keeps its connections
#    open as the game's does: login, achievements, news, five levels each;
# 6. submissions against two server processes sharing one PostgreSQL database
#    and against one server on SQLite, in alternating runs (the machine's load
#    drifts, so both meet the same conditions), then the ranking pages there;
# 7. replay checking through the server, with its default checker workers
#    (one per core): bot runs across every mode, recorded under seeds the
#    server issued, submitted and uploaded; timed until all are judged. On
#    SQLite, then on PostgreSQL (one server).
# The closing summary gives the submission rates and p99 of scenario 6 and the
# replays verified per second per core of scenario 7, each with the load average.
set -euo pipefail

build_dir=$(realpath "${1:-build}")
seconds=${2:-10}
only=${3:-all}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
server=$build_dir/zentrix-server
bench=$build_dir/zentrix-server-bench
key=$build_dir/keys/server_private.pem
clients=64
# One account per client: a player submits one score at a time, so each
# client stands for one player. (Fewer accounts than clients measures clients
# queueing behind each other on their shared account's row, not the server.)
users=64
# One worker per client: with group commit most workers only wait for their batch's fsync.
threads=64
work=$(mktemp -d)
# The PostgreSQL cluster below runs as another user and must reach its folder.
chmod 755 "$work"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    bash "$source_dir/tests/server/pg_cluster.bash" stop "$work/pg" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
source "$source_dir/tests/server/server_port.bash"

# Starts a server with the given database; sets port.
start_server() {
    local db=$1 log=$work/server$2.log
    # Every score counts as it arrives: the bench measures the counting path.
    "$server" serve --listen 127.0.0.1:0 --db "$db" --key "$key" --threads "$threads" \
        --trusted-proxy 127.0.0.1/32 --count-unverified-results >"$log" 2>&1 &
    pids+=($!)
    port=$(server_port "$log" "${pids[-1]}") && return 0
    echo "bench: server did not start: $(cat "$log")" >&2
    exit 1
}

# Other work on the machine skews the figures: report the load around each run.
load() { echo "   load average $1: $(cut -d' ' -f1-3 /proc/loadavg)"; }

# 100,000 ranked players written straight into the database (registering them
# through the protocol would take an argon2 hash each).
players=100000
game_players=500
sqlite_players() {
    sqlite3 "$1" "INSERT INTO users (id, name, name_key, email, password_hash, password_blob,
        created) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $players)
        SELECT 1000000 + i, 'ranked' || i, 'ranked' || i, 'x', 'h', '', 0 FROM n;
        INSERT INTO skills (user_id, category, points) SELECT id, 0, abs(random()) % 60000
        FROM users WHERE id > 1000000; ANALYZE;"
}
postgres_players() {
    "$psql_bin" "$1" -q -c "INSERT INTO users (id, name, name_key, email, password_hash,
        password_blob, created) SELECT 1000000 + i, 'ranked' || i, 'ranked' || i, 'x', 'h', '', 0
        FROM generate_series(1, $players) AS i;
        INSERT INTO skills (user_id, category, points) SELECT id, 0, (random() * 60000)::bigint
        FROM users WHERE id > 1000000; ANALYZE;"
}

run_sqlite_scenarios() {
    echo "== RSA-1024 on this machine (one core)"
    openssl speed -seconds 3 rsa1024 2>/dev/null | grep -E "^rsa +1024|sign/s"
    echo "   a score submission of ~330 bytes is 3 RSA blocks: 3 private decryptions"
    echo

    # The machine's speed drifts by a fifth or more within a minute, so the runs
    # with and without the hanging clients alternate and are compared in total.
    echo "== SQLite, one server, $clients clients, ${seconds}s a run, alternately without and with"
    echo "   2000 idle keep-alive and 200 slow-header clients"
    start_server "sqlite:$work/bench.sqlite" 1
    local round plain=0 loaded=0 rate
    for round in 1 2 3; do
        echo "-- run $round without them"
        load before
        "$bench" --server "127.0.0.1:$port" --clients "$clients" --seconds "$seconds" \
            --users "$users" --server-pid "${pids[-1]}" | tee "$work/plain"
        rate=$(awk '/^submissions\/s/ {print $2}' "$work/plain")
        plain=$(echo "$plain + $rate" | bc)
        echo "-- run $round with them"
        "$bench" --server "127.0.0.1:$port" --clients "$clients" --seconds "$seconds" \
            --users "$users" --idle 2000 --slow 200 --server-pid "${pids[-1]}" | tee "$work/loaded"
        rate=$(awk '/^submissions\/s/ {print $2}' "$work/loaded")
        loaded=$(echo "$loaded + $rate" | bc)
    done
    load after
    echo "   with the hanging clients: $(echo "100 * $loaded / $plain" | bc) % of the rate without them"
    echo

    echo "== SQLite, ranking pages with $players more players"
    sqlite_players "$work/bench.sqlite"
    "$bench" --server "127.0.0.1:$port" --ranking 0,50000,99990
    echo

    echo "== SQLite, $game_players players, each with a libcurl multi handle as the game uses it"
    "$build_dir/zentrix-server-players" "http://127.0.0.1:$port" "$game_players" || true
    echo
}

# Every 0.2 s, what each busy PostgreSQL backend waits on (CPU:running when it does not):
# row and transaction locks point at hot rows, WAL waits at commit flushes.
# One psql session asks every time: a new connection per sample would cost the
# database a backend start each time and skew the CPU figures.
sample_waits() {
    while sleep 0.2; do
        echo "SELECT COALESCE(wait_event_type, 'CPU') || ':' || COALESCE(wait_event, 'running')
            FROM pg_stat_activity WHERE state = 'active' AND backend_type = 'client backend'
            AND pid <> pg_backend_pid();"
    done | "$psql_bin" "$1" -At 2>/dev/null || true
}

# One line per run: back end, submissions/s, p50 and p99 ms, the load average before it.
summary() {
    awk -v name="$1" -v load="$3" '
        /^submissions\/s/ { rate = $2 }
        /^latency ms/ { p50 = $4; p99 = $6 }
        END { printf "%s %7.0f /s  p50 %s  p99 %s ms  (load before: %s)\n", name, rate, p50, p99, load }' "$2"
}

# CPU seconds (user + system) used so far by the cluster: the postmaster and its children.
postgres_cpu() {
    local postmaster ticks=0 pid fields
    postmaster=$(head -n1 "$work/pg/data/postmaster.pid")
    for pid in "$postmaster" $(pgrep -P "$postmaster"); do
        read -r -a fields <"/proc/$pid/stat" 2>/dev/null || continue
        ticks=$((ticks + fields[13] + fields[14]))
    done
    echo "scale=2; $ticks / $(getconf CLK_TCK)" | bc
}

# Scenario 7 on one back end: NAME, the database URL and the server's log number.
run_replay_scenario() {
    local name=$1 db=$2 log=$3 replay_load
    echo "== Replays checked through the server, $name, $replays bot replays"
    start_server "$db" "$log"
    replay_load=$(cut -d' ' -f1-3 /proc/loadavg)
    load before
    "$bench" --server "127.0.0.1:$port" --replays "$replays" --db "$db" \
        --archive "$build_dir/data/assets.ass" --server-pid "${pids[-1]}" | tee "$work/replay_run" ||
        true
    grep "refused" "$work/server$log.log" | head -5 || true
    load after
    awk -v name="$name" -v load="$replay_load" '
        /^replays verified per second/ { per_core = $NF }
        /^CPU s:/ { per_cpu = $NF }
        END { printf "%-10s %s replays verified/s per core, %s per CPU second (load before: %s)\n",
                     name, per_core, per_cpu, load }' "$work/replay_run" >>"$work/replay_summary"
    echo "   target: at least 10 replays verified per second per core"
    echo
}
replays=64

# Starts the durable PostgreSQL cluster once; false when PostgreSQL is not installed.
# Sets url (the database scenario 6 uses) and psql_bin.
start_cluster() {
    [ -z "${url:-}" ] || return 0
    # The benchmark wants real commits: the cluster keeps fsync and synchronous_commit on.
    bash "$source_dir/tests/server/pg_cluster.bash" start "$work/pg" durable | grep -q running ||
        return 1
    url="postgresql:///postgres?host=$work/pg&user=zentrix"
    # The psql of the PostgreSQL that pg_cluster.bash runs (the newest installed).
    psql_bin=$(bash "$source_dir/tests/server/pg_cluster.bash" bin)/psql
    echo "   $("$psql_bin" "$url" -Atc "SELECT 'fsync=' || current_setting('fsync') ||
        ' synchronous_commit=' || current_setting('synchronous_commit') || ' commit_delay=' ||
        current_setting('commit_delay') || ' commit_siblings=' ||
        current_setting('commit_siblings')" 2>&1)"
}

# Scenario 7 on SQLite, then on PostgreSQL in a database of its own.
run_replay_scenarios() {
    run_replay_scenario SQLite "sqlite:$work/replays.sqlite" 5
    if start_cluster; then
        "$psql_bin" "$url" -qc "CREATE DATABASE replays"
        run_replay_scenario PostgreSQL "postgresql:///replays?host=$work/pg&user=zentrix" 6
    else
        echo "   PostgreSQL is not installed; its replay run skipped"
    fi
}

# What the run measured, in one place at the end.
closing_summary() {
    echo "== Summary"
    [ ! -f "$work/summary" ] || {
        echo "   score submissions, 64 clients (PostgreSQL: two servers, one database):"
        cat "$work/summary"
    }
    [ ! -f "$work/replay_summary" ] || {
        echo "   replays checked through one server:"
        cat "$work/replay_summary"
    }
}

if [ "$only" = replays ]; then
    run_replay_scenarios
    closing_summary
    exit 0
fi
[ "$only" = postgres ] || run_sqlite_scenarios
[ "$only" = postgres ] || run_replay_scenarios
echo "== PostgreSQL, two servers on one database, and SQLite, one server, in turn;"
echo "   $clients clients, ${seconds}s a run"
if start_cluster; then
    start_server "$url" 2
    port_a=$port
    pid_a=${pids[-1]}
    start_server "$url" 3
    port_b=$port
    pid_b=${pids[-1]}
    start_server "sqlite:$work/compare.sqlite" 4
    port_s=$port
    pid_s=${pids[-1]}
    sample_waits "$url" >"$work/waits" &
    sampler=$!
    for round in 1 2 3; do
        echo "-- round $round: PostgreSQL, two servers"
        pg_load=$(cut -d' ' -f1-3 /proc/loadavg)
        pg_cpu_before=$(postgres_cpu)
        /usr/bin/time -f "bench client CPU s %U user %S system" \
            "$bench" --server "127.0.0.1:$port_a" --server "127.0.0.1:$port_b" \
            --clients "$clients" --seconds "$seconds" --users "$users" \
            --server-pid "$pid_a" --server-pid "$pid_b" 2>&1 | tee "$work/pg_run"
        echo "PostgreSQL CPU s $(echo "$(postgres_cpu) - $pg_cpu_before" | bc)"
        summary PostgreSQL "$work/pg_run" "$pg_load" >>"$work/summary"
        echo "-- round $round: SQLite, one server"
        sqlite_load=$(cut -d' ' -f1-3 /proc/loadavg)
        "$bench" --server "127.0.0.1:$port_s" --clients "$clients" --seconds "$seconds" \
            --users "$users" --server-pid "$pid_s" | tee "$work/sqlite_run"
        summary "SQLite    " "$work/sqlite_run" "$sqlite_load" >>"$work/summary"
    done
    load after
    pkill -P "$sampler" 2>/dev/null || true
    kill "$sampler" 2>/dev/null || true
    wait "$sampler" 2>/dev/null || true
    echo
    echo "== Submissions, PostgreSQL (two servers) against SQLite (one server), alternate runs"
    cat "$work/summary"
    echo "   target for PostgreSQL: at least 2400 submissions/s with p99 at most 50 ms:"
    awk '/^PostgreSQL/ { runs++; if ($2 >= 2400 && $7 <= 50) met++ }
         END { printf "   met in %d of %d PostgreSQL runs\n", met, runs }' "$work/summary"
    echo "   what the busy backends were doing, samples every 0.2 s (wait type:event):"
    sort "$work/waits" | uniq -c | sort -rn | head -8
    echo
    echo "== PostgreSQL, ranking pages with $players more players"
    postgres_players "$url"
    "$bench" --server "127.0.0.1:$port_a" --ranking 0,50000,99990
else
    echo "   PostgreSQL is not installed; skipped"
fi
echo
closing_summary
