#!/usr/bin/env bash
# Real X input at slow frames and odd window sizes: a 50 ms tap of Escape
# that begins and ends inside one 100 ms frame opens the pause menu, a focus
# lost in play opens it too, and after the window is resized the pointer
# still lands on the buttons it is drawn over.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

start_display
offline_profile_without_cards

# The pause window's title line at 1280x720, and the options title.
pause_title=420x50+430+255
options_title=240x34+520+203

paused_now() { [[ $(read_screen "$pause_title") == *"Game Paused"* ]]; }
# expect_paused yes|no WHY: the game shows (or stops showing) its pause window
# before long. A loaded machine takes its time over a frame and a screenshot,
# so the screen is read until it agrees, for up to 60 readings.
expect_paused() {
  for _ in $(seq 60); do
    if paused_now; then [[ $1 == no ]] || return 0; else [[ $1 == yes ]] || return 0; fi
  done
  fail "$2: '$(read_screen "$pause_title")'"
}

# ---- a lost focus and short taps, in a Meditation game (nothing ends it) at a 100 ms step ----
echo "Game+20 shot $work/playing.png" > play.txt
launch_game play.txt --offline --start meditation --fixed-step 100
wait_for_log "Screenshot $work/playing.png" 180
focus_game
expect_paused no "the game starts paused"
root=$(xwininfo -root | awk '/Window id/ {print $4}')
xdotool windowfocus "$root"
sleep 2
focus_game
expect_paused yes "losing the focus in play did not pause"
# Down and up 50 ms apart while the game sits in one frame of 100 ms.
tap() { xdotool keydown Escape; sleep 0.05; xdotool keyup Escape; sleep 0.05; }
hold_game tap
expect_paused no "a 50 ms Escape tap did not resume"
hold_game tap
expect_paused yes "a 50 ms Escape tap did not pause"
kill "$game_pid"; wait "$game_pid" 2>/dev/null || true
game_pid=

# ---- clicks after a resize: 1280x720 shrunk to 960x540 ----
rm -f console.log
echo "Login+30 shot $work/login.png" > menu.txt
launch_game menu.txt --offline
wait_for_log "Screenshot $work/login.png" 180
focus_game
xdotool windowsize --sync "$window" 960 540
sleep 1
# "Play in Offline Mode" (row 3, y 467 of 720) and then "Options" (row 1, y 391).
xdotool mousemove --window "$window" 480 350 sleep 0.5 click 1
sleep 3
xdotool mousemove --window "$window" 480 293 sleep 0.5 click 1
sleep 3
screen_shot resized.png
[[ $(identify -format '%wx%h' resized.png) == 960x540 ]] || fail "the window was not resized"
convert resized.png -resize 1280x720! screen.png
seen=$(read_line screen.png "$options_title")
[[ $seen == *"Options Menu"* ]] || fail "the clicks after the resize led to '$seen', not Options"
echo "pause and pointer with real input passed"
