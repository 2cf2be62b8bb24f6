#!/usr/bin/env bash
# Alt+Enter and F11 with real X keys: the window goes to full screen at the
# desktop size and back to its 1280x720 window (or the size the player gave
# it), in the same process, the
# choice written to the settings file each time; a click after the switch
# still lands on the button it is drawn over.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

start_display
# On X a window goes full screen when the window manager grants it.
start_window_manager
trap 'kill "$wm_pid" 2>/dev/null; stop_real_input; cleanup' EXIT
software_rendering_settings
port=1  # offline: no server is asked

printf 'Login+30 shot %s/login.png\nMenu+30 shot %s/menu.png\n' "$work" "$work" > start.txt
launch_game start.txt --offline
wait_for_log "Screenshot $work/login.png" 180
focus_game
first_pid=$game_pid

window_size() { xwininfo -id "$window" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'; }
setting() { sed -n "s/^$1=//p" cfg/settings.ini; }

[[ $(window_size) == 1280x720 ]] || fail "the window starts at $(window_size)"
xdotool key alt+Return
wait_for_log "Full screen at 1920x1080" 30
sleep 1
[[ $(window_size) == 1920x1080 ]] || fail "Alt+Enter left the window at $(window_size)"
[[ $(setting Fullscreen) == 1 ]] || fail "full screen was not saved: '$(setting Fullscreen)'"

# In full screen "Play in Offline Mode" (row 3 of 720, y 467) lies at 1.5 times that.
xdotool mousemove --window "$window" 960 700 sleep 0.5 click 1
wait_for_log "Screenshot $work/menu.png" 30
screen_shot fullscreen_menu.png

xdotool key F11
wait_for_log "Windowed at 1280x720" 30
sleep 1
[[ $(window_size) == 1280x720 ]] || fail "F11 left the window at $(window_size)"
[[ $(setting Fullscreen) == 0 ]] || fail "the window was not saved: '$(setting Fullscreen)'"
# A window the player resized comes back at that size, not the layout's.
xdotool windowsize "$window" 1000 640
sleep 1
[[ $(window_size) == 1000x640 ]] || fail "the window manager left the window at $(window_size)"
xdotool key F11
for _ in $(seq 300); do
  [[ $(grep -c "Full screen at 1920x1080" console.log) == 2 ]] && break
  sleep 0.1
done
[[ $(grep -c "Full screen at 1920x1080" console.log) == 2 ]] || fail "F11 did not go full screen again"
sleep 1
xdotool key F11
wait_for_log "Windowed at 1000x640" 30
sleep 1
[[ $(window_size) == 1000x640 ]] || fail "leaving full screen gave $(window_size), not 1000x640"
[[ $game_pid == "$first_pid" ]] && kill -0 "$game_pid" || fail "the game did not run on"
grep -q "Starting main loop" console.log
[[ $(grep -c "Starting main loop" console.log) == 1 ]] || fail "the game restarted"
echo "full screen toggle with real keys passed"
