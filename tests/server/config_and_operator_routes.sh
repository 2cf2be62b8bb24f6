#!/usr/bin/env bash
# The server run as its service runs it: options from a configuration file
# (the command line wins), JSON log lines, /healthz and /metrics answering,
# and the metrics moving as requests arrive. Bad configuration files are
# refused with the file and line named and status 2.
set -euo pipefail

build_dir=$(cd "${1:?usage: config_and_operator_routes.sh BUILD_DIR}" && pwd)
server=$build_dir/zentrix-server
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill -9 "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "config_and_operator_routes: FAIL: $*" >&2
    [ ! -f "$work/server.log" ] || tail -n 20 "$work/server.log" >&2
    exit 1
}

# Exit status 2 and a message naming the line, for each bad file.
refused() {
    local text=$1 expected=$2 status=0
    printf '%b' "$text" >"$work/bad.conf"
    "$server" serve --config "$work/bad.conf" 2>"$work/err" || status=$?
    [ "$status" -eq 2 ] || fail "'$text' gave status $status"
    grep -q -e "$expected" "$work/err" || fail "'$text': $(cat "$work/err")"
}
refused 'listen = 127.0.0.1:0\nthreds = 4\n' 'bad.conf:2: unknown key threds'
refused 'listen 127.0.0.1:0\n' 'bad.conf:1: expected key = value'
refused 'db =\n' 'bad.conf:1: db has no value'
refused 'log-format = xml\n' '--log-format must be text or json'
status=0
"$server" serve --config "$work/missing.conf" 2>"$work/err" || status=$?
[ "$status" -eq 2 ] && grep -q "cannot read the configuration file" "$work/err" ||
    fail "a missing configuration file"

"$server" keygen --out "$work/keys" >/dev/null
cat >"$work/server.conf" <<CONF
# as /etc/zentrix/server.conf
listen = 127.0.0.1:1   # the command line overrides this
db = sqlite:$work/server.sqlite
key = $work/keys/server_private.pem
threads = 2
log-format = json
CONF
"$server" serve --config "$work/server.conf" --listen 127.0.0.1:0 >"$work/server.log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/server.log")
    [ -z "$port" ] || break
    kill -0 "$server_pid" 2>/dev/null || fail "the server did not start"
    sleep 0.1
done
[ -n "$port" ] || fail "the server did not report its port"
head -1 "$work/server.log" | grep -q '^{"time":"[0-9T:Z-]*","level":"info","program":"zentrix-server","message":"listening on' ||
    fail "log lines are not JSON: $(head -1 "$work/server.log")"

base=http://127.0.0.1:$port
[ "$(curl -s -w ' %{http_code}' "$base/healthz")" = "ok
 200" ] || fail "/healthz"

# The value of one sample line of /metrics (0 when absent).
metric() {
    curl -s "$base/metrics" | awk -v name="$1" '$1 == name { value = $2 } END { print value + 0 }'
}
curl -sI "$base/metrics" | grep -qi '^content-type: text/plain; version=0.0.4' || fail "metrics type"
secure_fails='zentrix_http_requests_total{endpoint="/secure.php",code="200",result="fail"}'
rsa_failed='zentrix_rsa_decryptions_total{result="failed"}'
before_secure=$(metric "$secure_fails")
before_rsa=$(metric "$rsa_failed")
before_count=$(metric zentrix_http_request_duration_seconds_count)
# One 128-byte block of zeros does not decrypt: a refused secure request.
data=$(head -c 128 /dev/zero | base64 -w0 | tr '+/' '-_')
for _ in 1 2 3; do curl -s "$base/secure.php?data=$data" >/dev/null; done
curl -s "$base/no-such-page" >/dev/null
[ "$(metric "$secure_fails")" -eq $((before_secure + 3)) ] || fail "secure.php requests not counted"
[ "$(metric "$rsa_failed")" -ge $((before_rsa + 3)) ] || fail "RSA decryptions not counted"
[ "$(metric 'zentrix_http_requests_total{endpoint="other",code="404",result="fail"}')" -ge 1 ] ||
    fail "unknown routes not counted"
# Four requests above plus the /metrics reads between: the histogram grew by more than four.
[ "$(metric zentrix_http_request_duration_seconds_count)" -gt $((before_count + 4)) ] ||
    fail "latency histogram did not move"
curl -s "$base/metrics" >"$work/metrics.txt"
inf=$(awk '$1 == "zentrix_http_request_duration_seconds_bucket{le=\"+Inf\"}" { print $2 }' "$work/metrics.txt")
count=$(awk '$1 == "zentrix_http_request_duration_seconds_count" { print $2 }' "$work/metrics.txt")
[ -n "$count" ] && [ "$inf" = "$count" ] || fail "+Inf bucket $inf differs from the count $count"
[ "$(metric zentrix_http_open_connections)" -ge 1 ] || fail "open connections gauge"
curl -s "$base/metrics" | grep -q '^zentrix_database_errors_total [0-9]' || fail "database errors"

kill -TERM "$server_pid"
wait "$server_pid" || fail "the server did not stop cleanly"
server_pid=
echo "config_and_operator_routes: OK"
