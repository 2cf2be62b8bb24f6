#!/usr/bin/env bash
# While the game starts (and after the restart that new video settings ask
# for) the window shows how far start-up has come: a row of cubes lighting
# up, never a dead black window. The game is frozen at moments of its
# start-up and the real window is read.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

start_display
"$game_copy" --windowed 1280x720 --no-dialogs --config-dir "$work/cfg" --offline \
  --frames 600 >game.out 2>&1 &
game_pid=$!

# The first cube is red when lit; dim, it is a fifth as bright.
red_cubes() { colour_pixels "$1" 400x120+440+300 232 64 56; }

# Freeze the game as soon as the archive is being opened (one cube is lit by
# then) and again at intervals until the main loop starts.
seen_first=0
for _ in $(seq 600); do
  grep -qF "Opening AssPack" console.log 2>/dev/null && break
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended during start-up"
  sleep 0.02
done
window=$(xdotool search --sync --name '^Zentrix$' | head -1)
for attempt in $(seq 40); do
  kill -STOP "$game_pid"
  screen_shot "startup$attempt.png" || { kill -CONT "$game_pid"; fail "the display is stuck"; }
  kill -CONT "$game_pid"
  [[ $(red_cubes "startup$attempt.png") -gt 100 ]] && seen_first=1
  grep -qF "Title texture loaded" console.log && break
  sleep 0.05
done
[[ $seen_first == 1 ]] || fail "no lit cube was shown while the game started"
echo "start-up progress shown"
