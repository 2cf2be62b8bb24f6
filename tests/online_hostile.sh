#!/usr/bin/env bash
# The game against a server behind a broken proxy: a share of the replies
# comes back empty, cut short, 10 MB long, as binary noise, as "fail", as
# another request's reply, 25 s late or as a reset connection. The game
# starts three times under fire, then a ranked player plays on by itself from
# run to run and browses the ranking; the game must neither crash nor hang
# nor see a GL error, and end cleanly.
# HOSTILE_FRAMES sets the frames of the playing session (a longer soak).
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"

python3 "$tests/hostile_proxy.py" proxy.port upstream.url 7 0.5 >proxy.log 2>&1 &
proxy_pid=$!
trap 'kill "$proxy_pid" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 300); do [[ -s proxy.port ]] && break; sleep 0.1; done
[[ -s proxy.port ]] || fail "the proxy did not start"
proxy_port=$(cat proxy.port)
# The server tells the game to use the proxy's address for every later request.
start_server --public-url "http://127.0.0.1:$proxy_port"
echo "http://127.0.0.1:$port" >upstream.url
register_account steady secret9
port=$proxy_port

: >nothing.txt
# Start-up under fire: the address lookup and the login meet faults too,
# and the game goes on offline where it must.
echo 0 >clean.count
for attempt in 1 2 3; do
  run_game nothing.txt --start ranked:casual:1 --autoplay --frames 600 ||
    fail "start-up session $attempt ended with $?"
  cat console.log >>startup.log
done
echo "start-up: $(wc -l <proxy.log) requests"

# Playing: logged in cleanly, then every later request meets faults.
echo 3 >clean.count
frames=${HOSTILE_FRAMES:-2400}
start=$SECONDS
run_game nothing.txt --start ranked:casual:1 --autoplay --fixed-step 60 \
  --frames "$frames" || fail "the playing session ended with $?"
echo "playing: $frames frames in $((SECONDS - start)) s; $(wc -l <proxy.log) requests so far"
cp console.log playing.log

# Browsing: the ranking's pages meet faults.
echo 3 >clean.count
W=1280 H=720
{
  click_at "Menu#1+20" 640 "$(row_y -1)"                        # Online Ranking
  click_at "Ranking+400" 793 612                                # Back
  echo "Menu#2+20 quit"
} >browse.txt
start=$SECONDS
run_game browse.txt --frames 1800 || fail "the browsing session ended with $?"
echo "browsing: $((SECONDS - start)) s"

faults=$(awk '$1 == "fault" { print $2 }' proxy.log | sort | uniq -c | tr -s ' \n' ' ')
requests=$(wc -l <proxy.log)
echo "proxy: $requests requests; faults served: $faults"
kinds=$(awk '$1 == "fault" { print $2 }' proxy.log | sort -u | wc -l)
((requests >= 20)) || fail "only $requests requests reached the proxy"
((kinds == 8)) || fail "only $kinds of the 8 kinds of fault were served"
for log in startup.log playing.log console.log; do
  ! grep -a '^GL error' "$log" || fail "GL errors in $log"
done
grep -aq 'Level start' playing.log || fail "the playing session never played"
# Outside the requests the rules make blocking, no reply may stall a frame:
# the longest must stay well below the shortest network time-out (5 s).
grep -a '^Autoplay frame times' startup.log playing.log | sed 's/^/frames: /'
longest=$(grep -ah '^Autoplay frame times' startup.log playing.log |
  sed -n 's/.*longest \([0-9.]*\) ms.*/\1/p' | sort -n | tail -n 1)
[[ -n $longest ]] || fail "the sessions logged no frame times"
awk -v ms="$longest" 'BEGIN { exit !(ms < 4000) }' ||
  fail "a frame took $longest ms outside blocking requests"
echo "online hostile test passed"
