# Shared by the tests that drive the game with real X input: a virtual screen
# of our own, the game started on it in the background, xdotool typing and
# clicking into its window, and readings of the screen. Sourced after
# online_support.bash (which makes the work folder, the game copy and the server).
display_pid=
game_pid=
clip_pid=

stop_real_input() {
  [[ -z $game_pid ]] || kill "$game_pid" 2>/dev/null || true
  [[ -z $clip_pid ]] || kill "$clip_pid" 2>/dev/null || true
  [[ -z $display_pid ]] || kill "$display_pid" 2>/dev/null || true
  game_pid= clip_pid= display_pid=
}
trap 'stop_real_input; cleanup' EXIT

# A virtual screen on a free display number; DISPLAY points at it.
start_display() {
  local number
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>display.txt 2>xvfb.log &
  display_pid=$!
  for _ in $(seq 100); do
    number=$(cat display.txt 2>/dev/null || true)
    [[ -z $number ]] || break
    sleep 0.1
  done
  [[ -n $number ]] || fail "the virtual screen did not start"
  export DISPLAY=:$number
}

# A window manager (openbox) on the display, once it has taken the screen: a
# window shown while it starts can wait for ever for the manager to map it
# (SDL blocks until the window is mapped). Sets wm_pid.
start_window_manager() {
  openbox --sm-disable >openbox.log 2>&1 &
  wm_pid=$!
  for _ in $(seq "$(($(scaled_seconds 10) * 10))"); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
    kill -0 "$wm_pid" 2>/dev/null || fail "openbox ended as it started: $(cat openbox.log)"
    sleep 0.1
  done
  fail "openbox did not take the screen: $(cat openbox.log)"
}

# launch_game SCRIPT [options...]: the game at 1280x720 in the background.
launch_game() {
  local script=$1; shift
  "$game_copy" --windowed 1280x720 --no-dialogs --config-dir "$work/cfg" --seed 3 \
    --script "$script" --server "http://127.0.0.1:$port" "$@" >game.out 2>&1 &
  game_pid=$!
}

# wait_for_log TEXT SECONDS: until console.log holds a line starting with
# TEXT, SECONDS on a quiet machine (scaled_seconds).
wait_for_log() {
  local tenths=$(($(scaled_seconds "$2") * 10))
  for _ in $(seq "$tenths"); do
    grep -qF -- "$1" console.log 2>/dev/null && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for '$1'"
    sleep 0.1
  done
  fail "no '$1' in console.log within $2 s"
}

# The game window, focused so that keys go to it.
focus_game() {
  window=$(xdotool search --sync --name '^Zentrix$' | head -1)
  xdotool windowfocus --sync "$window"
}

# hold_game COMMAND...: runs COMMAND while the game is stopped, so everything
# it sends waits in the queue as it would behind a long, slow frame.
hold_game() {
  kill -STOP "$game_pid"
  "$@" || { kill -CONT "$game_pid"; return 1; }
  kill -CONT "$game_pid"
}

# The game window as the player sees it, as a PNG. The X server answers at
# once; a screenshot still waiting after 30 s (scaled_seconds) means the
# display is stuck, and the log then shows what the display and the game
# were doing. One thread: ImageMagick's spinning OpenMP threads crawl on a
# machine with more busy processes than cores.
screen_shot() {
  local limit
  limit=$(scaled_seconds 30)
  MAGICK_THREAD_LIMIT=1 timeout "$limit" import -window "$window" "$1" && return 0
  echo "screenshot of window $window: no picture within $limit s" >&2
  report_stuck_display >&2
  return 1
}

# Whether the X server still answers, and where the game and the server wait.
report_stuck_display() {
  if timeout 5 xdpyinfo >/dev/null 2>&1; then echo "the X server answers a new client"
  else echo "the X server does not answer a new client"; fi
  local pid
  for pid in $game_pid $display_pid; do
    ps -o pid=,stat=,wchan:24=,args= -p "$pid" 2>/dev/null | cut -c1-120 || true
    command -v gdb >/dev/null || continue
    timeout 30 gdb -p "$pid" -batch -ex "thread apply all bt 12" 2>/dev/null | grep -E '^(Thread|#)' | head -80
  done
}

# What tesseract reads in GEOMETRY (of the window) of a fresh screenshot.
read_screen() {
  screen_shot screen.png
  read_line screen.png "$1"
}

# wait_for_screen GEOMETRY PATTERN SECONDS: until the screen reads PATTERN
# there, SECONDS on a quiet machine (scaled_seconds).
wait_for_screen() {
  local seen
  for _ in $(seq "$(scaled_seconds "$3")"); do
    seen=$(read_screen "$1")
    [[ $seen == *$2* ]] && return 0
    sleep 1
  done
  fail "the screen shows '$seen' in $1, not '$2'"
}

# Puts TEXT on the clipboard, held by a small Tk program until the test ends.
set_clipboard() {
  python3 -c 'import sys, tkinter
root = tkinter.Tk(); root.withdraw()
root.clipboard_clear(); root.clipboard_append(sys.argv[1]); root.update()
print("ready", flush=True); root.mainloop()' "$1" >clip.out 2>&1 &
  clip_pid=$!
  for _ in $(seq 50); do grep -q ready clip.out 2>/dev/null && return 0; sleep 0.1; done
  fail "the clipboard could not be set"
}

# A profile that has seen every tutorial card, drawn at Low quality, and no
# server: the game plays offline.
offline_profile_without_cards() {
  mkdir -p cfg
  printf 'Tute%s=1\n' Control Pup Combo ComboNow Color Zent Rush Survival Meditation > cfg/settings.ini
  software_rendering_settings
  port=1  # offline: no server is asked
}
