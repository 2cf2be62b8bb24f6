#!/usr/bin/env bash
# A player with the longest name, e-mail and password the server takes logs
# in; the game is then stopped by SIGTERM, as a desktop session or a newer
# copy stops it. The server hears one logout it accepts and nothing it cannot
# read, the game ends cleanly, and console.log holds neither the session
# token nor the password blob.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

start_server
name="Zz-0123456789abcdefghi-9"
password=$(printf 'pass-Word.42%.0s' {1..6} | cut -c1-64)
(( ${#name} == 24 && ${#password} == 64 )) || fail "the fixtures are not at the limits"
register_account "$name" "$password"

# Readings of the server's counters of secure requests answered: ok and fail.
secure_count() {
  curl -s "http://127.0.0.1:$port/metrics" |
    awk -v r="$1" '/^zentrix_http_requests_total\{endpoint="\/secure.php"/ && $0 ~ "result=\"" r "\"" { n += $2 } END { print n + 0 }'
}

echo "99999 quit" > idle.txt
GAME_TIMEOUT=150 run_game idle.txt &
runner=$!
game=
for _ in $(seq 600); do
  for p in $(pgrep -f -- "$game_copy" || true); do
    [[ $(readlink "/proc/$p/exe" 2>/dev/null) == "$game_copy" ]] && game=$p
  done
  [[ -n $game ]] && grep -q '^success [0-9]* (session token)' console.log 2>/dev/null && break
  sleep 0.2
done
[[ -n $game ]] || fail "the game did not start"
grep -q '^success [0-9]* (session token)' console.log || fail "the stored account did not log in"
# The requests the login starts (news, achievements) have their answers by now.
sleep 5
ok_before=$(secure_count ok)
fail_before=$(secure_count fail)
kill -TERM "$game"
wait "$runner" || fail "the game ended with code $? after SIGTERM"
ok_after=$(secure_count ok)
fail_after=$(secure_count fail)
echo "secure requests after SIGTERM: $((ok_after - ok_before)) accepted, $((fail_after - fail_before)) refused"
(( ok_after - ok_before == 1 && fail_after == fail_before )) || fail "the logout was not accepted"
! grep -E 'malformed request|does not decrypt|secure request from' server.log ||
  fail "the server could not read a request of the game"
token_like=$(grep -oE '\b[0-9a-f]{32}\b' console.log || true)
[[ -z $token_like ]] || fail "console.log holds a token: $token_like"
blob=$(sed -n 's/^Password=//p' cfg/settings.ini)
[[ -n $blob ]] && ! grep -qF "$blob" console.log || fail "console.log holds the password blob"
echo "logout at SIGTERM test passed"
