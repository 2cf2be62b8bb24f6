#!/usr/bin/env bash
# A game built for another server address (the CMake cache variable
# ZENTRIX_SERVER_URL) talks to the server there with no --server option: a
# second build of the game, configured for a server on 127.0.0.2 and this
# build's key pair, logs a stored account in on a server that listens only
# on 127.0.0.2, and reaches the menu logged in. The second build lives in
# BUILD/server-address-build and is only rebuilt where it changed (ccache
# makes its first build quick when the normal build used it).
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

other=$build/server-address-build
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd "$build/../.." && pwd)}
fi
generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$build/CMakeCache.txt")
source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")

# The server on a loopback address of its own, so the game's usual address
# (127.0.0.1) finds nothing there.
"$build/zentrix-server" serve --listen 127.0.0.2:0 --db "$db" --key "$key" --threads 2 \
  >>server.log 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.2:\([0-9]*\).*/\1/p' server.log | tail -1)
  [[ -z $port ]] || break
  sleep 0.1
done
[[ -n $port ]] || fail "the server did not start on 127.0.0.2"
address=http://127.0.0.2:$port

cmake -S "$source_dir" -B "$other" -G "$generator" -DCMAKE_BUILD_TYPE="$build_type" \
  -DCMAKE_CXX_COMPILER="$compiler" "${launcher[@]}" -DZENTRIX_SERVER_URL="$address" \
  -DZENTRIX_PUBLIC_KEY="$build/keys/server_public.pem" \
  -DZENTRIX_ASSET_ARCHIVE="$build/data/assets.ass" >"$work/configure.log" 2>&1 ||
  fail "configure: $(tail -5 "$work/configure.log")"
grep -q "^ZENTRIX_SERVER_URL:STRING=$address\$" "$other/CMakeCache.txt" || fail "cache variable"
grep -q "^ZENTRIX_SITE_URL:STRING=$address\$" "$other/CMakeCache.txt" ||
  echo "note: ZENTRIX_SITE_URL was set before and keeps its own value"
cmake --build "$other" --target zentrix -j2 >"$work/build.log" 2>&1 ||
  fail "build: $(tail -20 "$work/build.log")"
cp "$other/zentrix" "$game_copy"

# A stored account, as a finished CreateAcc leaves it (registered through the
# secure endpoint at the new address).
reply=$(curl -sS --max-time 30 "$("$build/zentrix-proto" encode \
  "reg.php?beta=1&username=faraway&passwordHash=$(printf secret9 | md5sum | cut -d' ' -f1)&password=secret9&email=faraway@example.org" \
  --base "$address/secure.php?data=")")
[[ $reply == success\ * ]] || fail "registration answered '$reply'"
write_settings "Username=faraway" "Password=${reply#success }"

printf '450 shot %s/menu.png\n460 quit\n' "$work" > login.txt
xvfb-run -a -s "-screen 0 1920x1080x24" timeout "$(hang_guard_seconds --frames 600)" \
  "$game_copy" --windowed 1280x720 --no-dialogs --config-dir "$work/cfg" --fixed-step 16 --seed 3 \
  --script login.txt --frames 600 ||
  fail "exit code $?"
grep -q '^success [0-9]* (session token)' console.log || fail "the game did not log in"
shows_account_line menu.png "Loggedinas:faraway" ||
  fail "the menu shows '$(read_corner menu.png)', not 'Logged in as: faraway'"
# The game quit logged in: its logout ended the session at that server.
open=$(sqlite3 "$work/server.sqlite" "select count(*) from sessions")
[[ $open == 0 ]] || fail "$open sessions still open: no logout reached $address"
echo "server address build test passed ($address)"
