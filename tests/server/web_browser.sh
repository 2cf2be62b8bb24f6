#!/usr/bin/env bash
# The web ranking page in a real browser: headless Chromium loads it from a
# server with a few players, and the names it rendered are read back from the
# page. With SCREENSHOT=FILE it also saves what it drew.
set -euo pipefail
source "$(dirname "$0")/server_port.bash"

build_dir=${1:?usage: web_browser.sh BUILD_DIR}
server=$build_dir/zentrix-server
bench=$build_dir/zentrix-server-bench
key=$build_dir/keys/server_private.pem
browser=$(command -v chromium || true)
[ -n "$browser" ] || { echo "web_browser: chromium is not installed; skipped"; exit 0; }
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "web_browser: FAIL: $*" >&2
    exit 1
}

"$server" serve --listen 127.0.0.1:0 --db "sqlite:$work/web.sqlite" --key "$key" --threads 4 \
    --trusted-proxy 127.0.0.1/32 --count-unverified-results >"$work/server.log" 2>&1 &
server_pid=$!
port=$(server_port "$work/server.log" "$server_pid") || fail "the server did not start"
# Three players with scores: the load generator registers them and plays.
"$bench" --server "127.0.0.1:$port" --clients 3 --seconds 1 --users 3 >"$work/load.txt" 2>&1 ||
    fail "no players: $(cat "$work/load.txt")"

page="http://127.0.0.1:$port/ranking?category=0"
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run
    --disable-background-networking --disable-component-update --disable-sync
    --user-data-dir="$work/profile")
timeout 60 "$browser" "${flags[@]}" --dump-dom "$page" >"$work/dom.html" 2>"$work/browser.log" ||
    fail "chromium did not render the page: $(tail -n 5 "$work/browser.log")"
# The rendered table's name cells, as the browser built them.
mapfile -t names < <(grep -o '<td><a href="/replays?user=[0-9]*">bench[0-9]*_[0-9]</a></td>' \
    "$work/dom.html" | sed 's/<[^>]*>//g')
[ "${#names[@]}" -eq 3 ] || fail "expected 3 player names in the rendered page, found ${#names[@]}"
grep -q '<h1>World ranking: Overall</h1>' "$work/dom.html" || fail "the page title is missing"
if [ -n "${SCREENSHOT:-}" ]; then
    timeout 60 "$browser" "${flags[@]}" --window-size=900,600 --screenshot="$SCREENSHOT" "$page" \
        >/dev/null 2>&1 || true
fi
echo "web_browser: chromium rendered ${names[*]}"
