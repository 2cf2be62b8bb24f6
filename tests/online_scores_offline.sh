#!/usr/bin/env bash
# The ranked Casual level 1 of online_scores.sh played offline: the score
# screen shows "Offline" on the skillpoints and rank lines, and the game
# sends nothing at all, not even a logout at its exit.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

# A plain web server stands where the game server would be and logs every request.
mkdir -p site
python3 -u -m http.server --bind 127.0.0.1 0 --directory site >listener.out 2>listener.log &
server_pid=$!
for _ in $(seq 100); do
  port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' listener.out | head -1)
  [[ -z $port ]] || break
  sleep 0.1
done
[[ -n $port ]] || fail "the listener did not start"
mkdir -p cfg
printf 'Username=ranker2\nPassword=\n' > cfg/settings.ini
software_rendering_settings

{
  # The bot's pointer rests wherever its last aim left it, perhaps on a label.
  echo "ScoreScreen+20 move 1200 660"
  echo "ScoreScreen+25 shot $work/offline_score.png"
  echo "ScoreScreen+27 quit"
} > offline.txt
start=$SECONDS
run_game offline.txt --offline --start ranked:casual:1 --autoplay --fixed-step 60 --frames 4000 ||
  fail "exit code $?"
echo "the offline run took $((SECONDS - start)) s"
[[ -f offline_score.png ]] || fail "the run never reached the score screen"

skill=$(read_line offline_score.png 640x26+320+$(($(line_y 1) - 20)))
rank=$(read_line offline_score.png 640x26+320+$(($(line_y 2) - 20)))
[[ $skill == *"Skillpoints"*"Offline"* ]] || fail "skillpoints line reads '$skill'"
[[ $rank == *"Casual Rank:"*"Offline"* ]] || fail "rank line reads '$rank'"

[[ ! -s urls.txt ]] || fail "requests were queued: $(cat urls.txt)"
mapfile -t sent < <(sed -n 's/.*"GET \([^ ]*\) HTTP.*/\1/p' listener.log)
[[ ${#sent[@]} -eq 0 ]] || fail "${#sent[@]} requests reached the server: ${sent[*]}"
echo "online scores offline test passed"
