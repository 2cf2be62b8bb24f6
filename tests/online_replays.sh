#!/usr/bin/env bash
# A new account plays Casual level 1 ranked (the autoplay bot) against a fresh
# server: the game uploads the level's replay after its score, the server
# plays it again and marks the result verified, and the web ranking counts its
# points. The level was played under a seed the server issued to the account;
# a second account that stores the same result and uploads the same replay is
# refused and earns nothing. A forged score.php of the same run, with no
# replay behind it, is stored as pending and counts nowhere: neither in the
# ranking the game reads nor on the web page, which marks it as pending.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

sql() { sqlite3 "$work/server.sqlite" "$1"; }

start_server
register_account verifier secret9
# The replay is sent when the level is left, on the way to the score screen.
echo "ScoreScreen+40 quit" > replays.txt
play_ranked_casual replays.txt

id=$(user_id_of verifier)
[[ $(sql "select count(*) from results where user_id = $id and kind = 1") == 1 ]] ||
  fail "the server holds no score of the run"
[[ $(sql "select count(*) from replays where user_id = $id") == 1 ]] ||
  fail "the game uploaded no replay"
for _ in $(seq 300); do
  state=$(sql "select state from replays where user_id = $id")
  [[ $state == verified || $state == rejected ]] && break
  sleep 0.1
done
[[ $state == verified ]] ||
  fail "the replay is $state: $(sql "select reason from replays where user_id = $id")"
score=$(sql "select score from results where user_id = $id and kind = 1")
[[ $(sql "select replayed_score from replays where user_id = $id") == "$score" ]] ||
  fail "the replayed score differs from the submitted $score"
grep -q "replay 1 of user $id, mode 1 level 1: submitted $score, replayed $score: verified" server.log ||
  fail "the server logged no verdict line"
points=$(sql "select points from skills where user_id = $id and category = 1")
[[ $(sql "select points from verified_skills where user_id = $id and category = 1") == "$points" ]] ||
  fail "the verified points are not the $points the score earned"
curl -sS --max-time 30 "http://127.0.0.1:$port/ranking?category=1" > ranking.html
grep -q "Only results whose replay was verified count here." ranking.html ||
  fail "the web ranking does not say that only verified results count"
grep -q "verifier</a></td><td>$points<" ranking.html ||
  fail "the web ranking does not show the $points verified points"
curl -sS --max-time 30 "http://127.0.0.1:$port/replay?id=1" > replay.html
grep -q "<th>Verdict</th><td>verified</td>" replay.html || fail "the replay page shows no verdict"

# The level was played under a seed the server issued to this account.
seeds_used=$(sql "select count(*) from seeds where user_id = $id and used > 0")
[[ $seeds_used == 1 ]] || fail "the run took $seeds_used issued seeds of its account, not 1"

session=$(sql "select session from results where user_id = $id and kind = 1")
# Scores count only within a live session: the game logged out as it quit.
login_as() {
  [[ $(secure_request "login.php?version=rc2&build=direct&platform=&username=$1&password=secret9&glversion=4.5&videocard=llvmpipe&manufacturer=Mesa&res=1920x1080&gameversion=1.0&os=Debian&ram=7941&cpu=Xeon&mac=02-42-AC-11-00-02") == success\ * ]] ||
    fail "$1 could not log in"
}
digest=$(printf '%s' secret9 | md5sum | cut -d' ' -f1)

# Another account that claims the same run, with the same result stored, earns nothing.
[[ $(secure_request "reg.php?beta=1&username=copier&passwordHash=$digest&password=secret9&email=copier@example.org") == success\ * ]] ||
  fail "the second account was not registered"
copier=$(user_id_of copier)
login_as copier
result="gamemode=1&level=1&score=$score&time=60&apm=40&controls=0&drops=30&rotates=5&pup1earned=1&pup2earned=1&pup3earned=1&pup1used=0&pup2used=0&pup3used=0&kills=80&performance=4"
[[ $(secure_request "score.php?$result&sessionhash=$session&userid=$copier&passwordHash=$digest") == success\ * ]] ||
  fail "the copier's score was refused"
# The stored body is the file's bytes, read here as hex.
sql "select hex(body) from replays where user_id = $id" | xxd -r -p > copied.zxr
sha=$(sha256sum copied.zxr | cut -d' ' -f1)
claim="replay.php?gamemode=1&level=1&score=$score&sha256=$sha&sessionhash=$session&userid=$copier&passwordHash=$digest"
copied=$(curl -sS --max-time 30 -H "Content-Type: application/octet-stream" --data-binary @copied.zxr \
  "$("$build/zentrix-proto" encode "$claim" --base "http://127.0.0.1:$port/secure.php?data=")")
[[ $copied == fail ]] || fail "the copied replay was answered '$copied'"
[[ $(sql "select count(*) from replays where user_id = $copier") == 0 ]] ||
  fail "the copied replay was stored"
[[ $(sql "select count(*) from verified_skills where user_id = $copier and points > 0") == 0 ]] ||
  fail "the copier earned verified points"

login_as verifier
# A forged result of the same run, for a level never played: stored, pending,
# and counted nowhere, since no replay stands behind it.
forged=$(secure_request "score.php?gamemode=1&level=2&score=99999&time=60&apm=40&controls=0&drops=30&rotates=5&pup1earned=1&pup2earned=1&pup3earned=1&pup1used=0&pup2used=0&pup3used=0&kills=80&performance=4&sessionhash=$session&userid=$id&passwordHash=$digest")
[[ $forged == success\ * ]] || fail "the forged score was answered '$forged'"
[[ $(sql "select points from skills where user_id = $id and category = 1") == "$points" ]] ||
  fail "the forged score moved the player's points"
[[ $(sql "select count(*) from verified_bests where user_id = $id and level = 2") == 0 ]] ||
  fail "the forged level counts as verified"
page=$(secure_request "world_ranking_staggered.php?gamemode=1&offset=0")
# (The shell drops the reply's last line feed.)
[[ $page == "1 ROWS 1"$'\r\n'"1,verifier,1,$points,$id,1"$'\r' ]] ||
  fail "the ranking the game reads is '$page', not $points points"
curl -sS --max-time 30 "http://127.0.0.1:$port/ranking?category=1" > forged.html
grep -q "verifier</a></td><td>$points<" forged.html ||
  fail "the web ranking counts the forged score"
echo "online replays test passed"
