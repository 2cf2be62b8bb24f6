#!/usr/bin/env bash
# A second copy of the game closes an older one of the same program file run
# by the same user: it asks it to quit (SIGTERM, so the older copy ends its
# own way and logs out), waits, writing "Waiting for old process to die" once
# a second, and ends it ("Killing old process") only when it is still there
# after more than five waits. A program of the same name from another file,
# and a copy run by another user, are left alone.
set -Eeuo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
launchers=() servers=()
# The games go first, so their launchers end by themselves and take their X
# servers along. A game left running would hold this script's output open,
# and ctest would wait on it until the test's time-out.
cleanup() {
  pkill -KILL -f -- "^$work/(bin|other-bin)/" 2>/dev/null || true
  for pid in "${launchers[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# Messages go to standard error: the newer copies' output is captured or
# dropped, and a failure inside them must still be read.
fail() {
  { echo "FAIL: $*"; for log in "$work"/*/console.log; do echo "--- $log"; cat "$log"; done; } >&2
  exit 1
}
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" ended with status $?" >&2' ERR

# A private copy: only processes of this program file count as older copies.
name=zentrix-instance-test-$$
mkdir -p "$work/bin" "$work/other-bin"
game="$work/bin/$name"
cp "$build/zentrix" "$game"
cp "$build/zentrix" "$work/other-bin/$name"
chmod 755 "$work" "$work/bin" "$work/other-bin"

# start_copy FOLDER PROGRAM [runner...]: a copy idling in its own folder; sets started_pid.
# It gets an X server of its own, or the one named by copy_display.
copy_display=
start_copy() {
  local folder=$work/$1 program=$2 x_server=(xvfb-run -a -s "-screen 0 800x600x24")
  shift 2
  [[ -n $copy_display ]] && x_server=(env DISPLAY="$copy_display")
  mkdir -p "$folder/data"
  ln -sf "$build/data/assets.ass" "$folder/data/assets.ass"
  chmod -R a+rwX "$folder"
  (cd "$folder" && exec "$@" "${x_server[@]}" "$program" --windowed 320x240 \
    --no-dialogs --config-dir "$folder/cfg" --offline) &
  started_pid=$!
  launchers+=("$started_pid")
  for _ in $(seq 600); do grep -q "Starting main loop" "$folder/console.log" 2>/dev/null && return; sleep 0.1; done
  fail "the copy in $1 did not start"
}

# The game process itself (xvfb-run's child) of a copy started in FOLDER.
game_pid_in() {
  local p
  for p in $(pgrep -f -- "--config-dir $work/$1/cfg"); do
    [[ $(readlink "/proc/$p/exe" 2>/dev/null) == */"$name" ]] && { echo "$p"; return; }
  done
  return 0
}

# run_newer FOLDER: a newer copy that runs five frames; prints its run time.
run_newer() {
  local folder=$work/$1 started
  mkdir -p "$folder/data"
  ln -sf "$build/data/assets.ass" "$folder/data/assets.ass"
  started=$(date +%s.%N)
  (cd "$folder" && xvfb-run -a -s "-screen 0 800x600x24" "$game" --windowed 320x240 \
    --no-dialogs --config-dir "$folder/cfg" --offline --frames 5) || fail "the newer copy in $1 failed"
  echo "$(date +%s.%N) - $started" | bc
}

# 1. An older copy that answers: it is asked to quit and ends by itself.
start_copy old "$game"
older=$(game_pid_in old)
[[ -n $older ]] || fail "no older game process"
elapsed=$(run_newer new)
grep -q "Asking old process to quit" "$work/new/console.log" || fail "the older copy was not asked"
! grep -q "Killing old process" "$work/new/console.log" || fail "a copy that quits was killed"
kill -0 "$older" 2>/dev/null && fail "the older copy still runs"
grep -q "Finished initializing" "$work/old/console.log" || fail "older log"
echo "a copy that answers ended after ${elapsed}s"

# 2. An older copy that cannot answer (stopped): killed after more than five waits.
start_copy stuck "$game"
stuck=$(game_pid_in stuck)
kill -STOP "$stuck"
elapsed=$(run_newer newer)
log=$work/newer/console.log
grep -q "Killing old process" "$log" || fail "no killing line"
waits=$(awk '/Killing old process/ { exit } /Waiting for old process to die/ { n++ } END { print n + 0 }' "$log")
(( waits > 5 && waits <= 7 )) || fail "killed after $waits waits"
for _ in $(seq 50); do kill -0 "$stuck" 2>/dev/null || break; sleep 0.1; done
kill -0 "$stuck" 2>/dev/null && fail "the stuck copy still runs"
(( $(echo "$elapsed >= 6" | bc) )) || fail "the newer copy gave up waiting after ${elapsed}s"
echo "a stuck copy was killed after $waits waits and ${elapsed}s"

# 3. Another program file of the same name is not an older copy.
start_copy stranger "$work/other-bin/$name"
stranger=$(game_pid_in stranger)
run_newer beside >/dev/null
! grep -q "old process" "$work/beside/console.log" || fail "another program file was waited for"
kill -0 "$stranger" 2>/dev/null || fail "another program file was ended"
kill "$stranger"

# 4. A copy run by another user is not touched (needs root to start one).
if [[ $(id -u) == 0 ]] && id nobody >/dev/null 2>&1; then
  # Its X server is started here, as root, so that this script ends it: one
  # started by xvfb-run as the other user outlived the test when its
  # launcher was ended first.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/foreign.display" 2>/dev/null &
  servers+=($!)
  for _ in $(seq 100); do [[ -s $work/foreign.display ]] && break; sleep 0.1; done
  copy_display=:$(cat "$work/foreign.display")
  start_copy foreign "$game" env HOME="$work/foreign" XDG_RUNTIME_DIR= runuser -u nobody --
  copy_display=
  launcher=$started_pid
  foreign=$(game_pid_in foreign)
  run_newer mine >/dev/null
  ! grep -q "old process" "$work/mine/console.log" || fail "another user's copy was waited for"
  kill -0 "$foreign" 2>/dev/null || fail "another user's copy was ended"
  kill "$foreign"
  for _ in $(seq 100); do kill -0 "$launcher" 2>/dev/null || break; sleep 0.1; done
  echo "another user's copy was left alone"
fi
echo "older instance test passed"
