#!/usr/bin/env bash
# Results made while the server is down are not lost. A ranked Casual level 1
# (the autoplay bot) ends with the server stopped: the game raises the
# connection prompt and keeps the result on disk; the server starts again, the
# prompt says "Connected!", and the result and then its replay reach the
# server, which verifies the replay. Then a second run ends the same way, the
# player goes on offline and quits with the result (and its replay) on disk,
# and the next start sends both.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

# A game stopped by this test hears no signal to end: it runs on first.
trap '[[ -z $game_pid ]] || kill -CONT "$game_pid" 2>/dev/null; stop_real_input; cleanup' EXIT

sql() { sqlite3 "$work/server.sqlite" "$1"; }
# Tries at 0.1 s for SECONDS on a quiet machine (scaled_seconds).
tenths() { echo $(($(scaled_seconds "$1") * 10)); }
unsent=$work/cfg/unsent-results.dat
# The connection prompt's button line at 1280x720: "Continue in offline mode"
# while it waits, "Resume" once connected (the bot's cursor may hide the title).
prompt_button=420x40+430+418

# Stops the server once the running level has its highscore, so the level
# plays on and ends with nothing to answer its score. Each finished transfer
# adds a line to urls.txt: the login, the achievement sync, the seeds, then
# the level's highscore.
transfers() { if [[ -e urls.txt ]]; then wc -l < urls.txt; else echo 0; fi; }
stop_server_in_play() {
  for _ in $(seq "$(tenths 60)"); do
    (($(transfers) >= 4)) && break
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its level began"
    sleep 0.1
  done
  (($(transfers) >= 4)) || fail "the level asked for no highscore"
  # Which transfers come first depends on what the game holds already (a second
  # run may need no seeds): a few seconds more let the level's highscore come
  # back, so the prompt waits for the score at the level's end, not for it.
  sleep 3
  stop_server
}

# The same server again, on the port the game knows.
restart_server() { start_server --listen "127.0.0.1:$port"; }

# catch_prompt BUTTON SHOT LOGGED: once console.log holds LOGGED, the game is
# stopped between short slices of running until its prompt's button line
# matches the regular expression BUTTON, and SHOT is taken; the game is left
# stopped. The bot answers the prompt as a player would, "Resume" 0.4 s of
# game time after it says "Connected!" (24 frames at the fixed step); and
# the line is logged before the frame is drawn. The bot's cursor may rest on the button
# and hide a word of it from the reader, so BUTTON names more than one.
catch_prompt() {
  local stuck=0 looks=0 seen=
  local deadline=$((SECONDS + $(scaled_seconds 90)))
  kill -STOP "$game_pid"
  while ((SECONDS < deadline && looks < 40)); do
    if grep -q "$3" console.log; then
      if screen_shot "$2"; then
        # The hovered button's grey gradient throws plain readings off; only
        # the white letters are kept in the second.
        seen="$(read_line "$2" "$prompt_button")|$(read_line "$2" "$prompt_button" 60%)"
        [[ $seen =~ $1 ]] && return 0
        looks=$((looks + 1))
      elif ((++stuck == 3)); then
        kill -CONT "$game_pid"
        fail "three screenshots in a row found the display stuck"
      fi
    fi
    kill -CONT "$game_pid"; sleep 0.005; kill -STOP "$game_pid"
  done
  kill -CONT "$game_pid"
  fail "the prompt's button line read '$seen', not '$1'"
}

# wait_for_verdicts N: until N of the account's replays are judged; all N must
# be verified.
wait_for_verdicts() {
  local state
  for _ in $(seq "$(tenths 30)"); do
    state=$(sql "select count(*) from replays where user_id = $id and state in ('verified', 'rejected')")
    ((state >= $1)) && break
    sleep 0.1
  done
  [[ $(sql "select count(*) from replays where user_id = $id and state = 'verified'") == "$1" ]] ||
    fail "not $1 verified replays: $(sql "select state, reason from replays where user_id = $id")"
}

# The longest wait between two tries of an unsent result.
longest_retry_seconds=30

start_server
register_account keeper secret9
id=$(user_id_of keeper)
start_display
mkdir -p "${SHOTS_DIR:-$work}"

# ---- 1. the server comes back during play ----
echo "ScoreScreen+40 quit" > first.txt
launch_game first.txt --start ranked:casual:1 --autoplay --fixed-step 60
stop_server_in_play
# The window of the running level (start-up's probe windows are gone by now).
focus_game
wait_for_log "No answer from the server: the connection prompt is up" 600
catch_prompt "Continue|offline" "${SHOTS_DIR:-$work}/unsent-connecting.png" "connection prompt is up"
grep -q "Result not sent" console.log || fail "the game logged no failed result"
[[ -s $unsent ]] && grep -aq "^ZXU1 $id " "$unsent" || fail "the result is not on disk"
restart_server
# Stopped, the game's next try is due by the time it runs again: the wait it
# logged last has passed (it was logged before now).
retry_wait=$(sed -n 's/.*trying again in \([0-9]*\) s.*/\1/p' console.log | tail -n 1)
echo "the game logged its next try in ${retry_wait:-?} s"
sleep "$((${retry_wait:-$longest_retry_seconds} + 1))"
catch_prompt "Res|ume" "${SHOTS_DIR:-$work}/unsent-connected.png" "prompt says Connected!"
kill -CONT "$game_pid"
wait_for_log "The server took the score of the result of mode 1 level 1" 60
wait_for_log "The server has the result of mode 1 level 1" 120
for _ in $(seq "$(tenths 60)"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the game did not reach its score screen"
game_pid=
[[ ! -e $unsent ]] || fail "the answered result is still on disk"
[[ $(sql "select count(*) from results where user_id = $id and kind = 1") == 1 ]] ||
  fail "the server holds no score of the run"
wait_for_verdicts 1
mv console.log first-console.log

# ---- 2. the player goes on offline and quits; the next start sends it ----
# The level's seed comes from the server, so its achievements differ from run
# to run: one earned while the server is down brings the prompt up in play,
# the bot goes offline before the level ends, and that level rightly keeps
# nothing. Such a run is played again (at most three times) until the prompt
# waits for the level's score.
for attempt in 1 2 3; do
  rm -f urls.txt console.log
  [[ -n $server_pid ]] || restart_server
  launch_game first.txt --start ranked:casual:1 --autoplay --fixed-step 60
  stop_server_in_play
  # After a long wait the bot, as a player would, goes on in offline mode.
  wait_for_log "No answer from the server: the connection prompt is up" 600
  for _ in $(seq "$(tenths 60)"); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "the game did not go on offline to its score screen"
  game_pid=
  grep -q "Result not sent" console.log && break
  echo "attempt $attempt: the prompt came up in play; the level is played again"
done
grep -q "Result not sent" console.log || fail "three levels in a row brought the prompt up in play"
entry=$(grep -a "^ZXU1 $id " "$unsent" || true)
[[ -n $entry ]] || fail "the result made offline is not on disk"
# Its replay closed with the level: the entry's replay length is not 0.
[[ $(awk '{ print $(NF - 1) }' <<<"$entry") != 0 ]] || fail "the replay is not kept with it"
mv console.log second-console.log

restart_server
echo "100000 quit" > third.txt
launch_game third.txt --fixed-step 16
wait_for_log "1 unsent results from an earlier run" 120
wait_for_log "The server has the result of mode 1 level 1" 180
kill "$game_pid"; wait "$game_pid" 2>/dev/null || true
game_pid=
[[ ! -e $unsent ]] || fail "the sent result is still on disk"
[[ $(sql "select count(*) from results where user_id = $id and kind = 1") == 2 ]] ||
  fail "the server does not hold both scores"
wait_for_verdicts 2
echo "online unsent results test passed"
