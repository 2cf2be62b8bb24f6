#!/usr/bin/env bash
# The Ranking screen against a server that ranks many players (never run by
# the tests): the players are written straight into a fresh SQLite database
# (registering each through the protocol would take a slow hash apiece), one
# account is registered and stored for the game, and zentrix-ranking-bench
# visits the Normal ranking and scrolls to its end while every page arrives.
#   bench/ranking/run.sh [BUILD_DIR] [PLAYERS] [SCREENSHOT.png]
set -euo pipefail
build=$(realpath "${1:-build}")
players=${2:-10000}
shot=${3:-}
work=$(mktemp -d)
server_pid=
cleanup() {
  [[ -z $server_pid ]] || kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
mkdir -p data cfg
ln -s "$build/data/assets.ass" data/assets.ass

"$build/zentrix-server" serve --listen 127.0.0.1:0 --db "sqlite:$work/server.sqlite" \
  --key "$build/keys/server_private.pem" --threads 2 >server.log 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' server.log | tail -1)
  [[ -z $port ]] || break
  sleep 0.1
done
[[ -n $port ]] || { cat server.log; echo "the server did not start"; exit 1; }

digest=$(printf 'secret9' | md5sum | cut -d' ' -f1)
reply=$(curl -s "$("$build/zentrix-proto" encode \
  "reg.php?beta=1&username=benchplayer&passwordHash=$digest&password=secret9&email=bench@example.org" \
  --base "http://127.0.0.1:$port/secure.php?data=")")
[[ $reply == success\ * ]] || { echo "registration answered '$reply'"; exit 1; }
# Low quality without multisampling, as a first run on this software renderer would choose.
printf 'Username=benchplayer\nPassword=%s\nVisualQuality=1\nAAlevel=0\nMotionBlur=0\n' \
  "${reply#success }" > cfg/settings.ini

# Category 2 (Normal): the one the menu opens on a fresh start.
sqlite3 server.sqlite "INSERT INTO users (id, name, name_key, email, password_hash, password_blob,
    created) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $players)
    SELECT 1000000 + i, 'ranked' || i, 'ranked' || i, 'x', 'h', '', 0 FROM n;
    INSERT INTO skills (user_id, category, points) SELECT id, 2, abs(random()) % 60000
    FROM users WHERE id > 1000000; ANALYZE;"
echo "== the Ranking screen with $players players in Normal, 1280x720, 16 ms steps"
xvfb-run -a -s "-screen 0 1920x1080x24" "$build/zentrix-ranking-bench" \
  --server "http://127.0.0.1:$port" --config-dir "$work/cfg" ${shot:+--shot "$work/end.png"}
[[ -z $shot ]] || cp "$work/end.png" "$shot"
