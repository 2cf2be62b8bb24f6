#!/usr/bin/env bash
# Keyboard alone, with real X keys from xdotool: Tab and Enter leave the
# Login screen for offline play, the arrows walk the main menu up to "Start
# Game", Enter opens the game types, the arrows reach Meditation and Enter
# starts it; Escape pauses, the arrows reach "Quit" and Enter returns to the
# menu; there the arrows and Enter open the game types again and Escape,
# taken after a long frame, presses their "Back". Each screen reached is
# proved by a screenshot the game takes when it enters that screen.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

start_display
offline_profile_without_cards

{
  echo "Login+30 shot $work/login.png"
  echo "Menu+30 shot $work/menu.png"
  echo "Gametype+30 shot $work/gametype.png"
  echo "Game+30 shot $work/game.png"
  echo "Menu#2+30 shot $work/menu_again.png"
  echo "Gametype#2+30 shot $work/gametype_again.png"
  echo "Menu#3+30 shot $work/menu_after_escape.png"
} > walk.txt
launch_game walk.txt --offline
wait_for_log "Screenshot $work/login.png" 180
focus_game

# keys KEY...: each pressed and released, a few frames apart.
keys() {
  local key
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.4
  done
}

keys Tab                      # "Play in Offline Mode", the step's first button
screen_shot focus_login.png
keys Return
wait_for_log "Screenshot $work/menu.png" 60
# The pointer stays where "Play in Offline Mode" was, on "Quit": six rows up.
keys Up Up Up Up Up Up
screen_shot focus_menu.png
keys Return
wait_for_log "Screenshot $work/gametype.png" 60
keys Down Down Down           # nothing focused: Classic, Survival, Meditation
screen_shot focus_gametype.png
keys Return
wait_for_log "Screenshot $work/game.png" 120
sleep 1
keys Escape
sleep 1
# The pointer left on Meditation lies on "Restart"; "Quit" is two below.
keys Down Down
screen_shot focus_pause.png
keys Return
wait_for_log "Screenshot $work/menu_again.png" 120
# Back on the menu the pointer lies on "Credits": five rows up to "Start Game".
keys Up Up Up Up Up Return
wait_for_log "Screenshot $work/gametype_again.png" 60
# Escape arrives behind a frame of over a second, which skips the screens'
# update: its press must still find "Back", though the hover lags behind.
key_behind_long_frame() { xdotool key "$1"; sleep 1.5; }
hold_game key_behind_long_frame Escape
wait_for_log "Screenshot $work/menu_after_escape.png" 60
kill -0 "$game_pid" || fail "the game ended during the walk"
echo "keyboard walk with real keys passed"
