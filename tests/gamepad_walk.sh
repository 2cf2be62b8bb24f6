#!/usr/bin/env bash
# A virtual game controller, attached through SDL's own joystick layer and
# mapped as a game controller, plays the game: the D-pad and A leave the
# Login screen for offline play, the left stick held up walks the menu to
# "Start Game" (once, then again after a pause, then steadily), A and the
# D-pad go through Classic, Casual and Practice to a level; the controls card
# shows the controller, A closes it and the D-pad and A answer "No"; the stick moves the aim, A fires a shot (its sound is logged),
# Start pauses and resumes, and pulling the controller out mid-level pauses.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"

mkdir -p cfg
printf 'Tute%s=1\n' Pup Combo ComboNow Color Zent Rush Survival Meditation > cfg/settings.ini
printf 'TuteControl=0\n' >> cfg/settings.ini
software_rendering_settings
port=1  # offline: no server is asked

# tap FRAME BUTTON: pressed at FRAME, released two frames later.
tap() { echo "$1 pad press $2"; echo "${1%+*}+$((${1##*+} + 2)) pad release $2"; }
{
  echo "1 pad attach"
  tap Login+30 down                      # the step's first button
  echo "Login+34 shot $work/pad_focus_login.png"
  tap Login+40 a                         # "Play in Offline Mode"
  # The pointer stays on "Quit": the stick held up moves six rows by frame 66.
  echo "Menu+30 pad axis lefty -32767"
  echo "Menu+100 pad axis lefty 0"
  echo "Menu+104 shot $work/pad_focus_menu.png"
  tap Menu+110 a
  tap Gametype+30 down                   # nothing focused: Classic
  tap Gametype+40 a
  tap Difficulty+30 a                    # the pointer lies on Casual
  tap ClassicModeSelect+30 down          # from Ranked to Practice
  echo "ClassicModeSelect+36 shot $work/pad_focus_playmode.png"
  tap ClassicModeSelect+40 a
  tap LevelSelect+30 a                   # the pointer lies on a level
  echo "Game+90 shot $work/pad_card.png"
  tap Game+100 a                         # the card, after its first second
  tap Game+110 right                     # "No" to the reset question
  tap Game+116 right
  echo "Game+120 shot $work/pad_focus_question.png"
  tap Game+124 a
  # The aim goes right and back, then down onto the mass, and A fires.
  echo "Game+150 pad axis leftx 20000"
  echo "Game+170 pad axis leftx -20000"
  echo "Game+190 pad axis lefty 20000"
  echo "Game+205 pad axis lefty 0"
  echo "Game+205 pad axis leftx 0"
  echo "Game+210 shot $work/pad_aim.png"
  tap Game+280 a
  echo "Game+310 shot $work/pad_shot.png"
  tap Game+320 start
  echo "Game+330 shot $work/pad_paused.png"
  tap Game+340 start
  echo "Game+360 shot $work/pad_resumed.png"
  echo "Game+370 pad detach"
  echo "Game+390 shot $work/pad_unplugged.png"
  echo "Game+400 quit"
} > pad.txt

start=$SECONDS
export GAME_TIMEOUT=400
run_game pad.txt --offline --frames 3000 --sound-log "$work/sound.log" > game.out 2>&1 ||
  fail "exit code $?"
echo "the controller walk took $((SECONDS - start)) s"
for shot in pad_focus_login pad_focus_menu pad_focus_playmode pad_card pad_shot pad_paused pad_unplugged; do
  grep -qF "Screenshot $work/$shot.png" console.log || fail "no $shot.png: a screen was not reached"
done
paused_on() { [[ $(read_line "$1" 420x50+430+255) == *"Game Paused"* ]]; }
paused_on pad_paused.png || fail "Start did not pause: '$(read_line pad_paused.png 420x50+430+255)'"
! paused_on pad_resumed.png || fail "Start did not resume"
paused_on pad_unplugged.png || fail "pulling the controller out did not pause"
grep -q "swish.ogg" sound.log || fail "A fired no shot"
echo "controller walk passed"
