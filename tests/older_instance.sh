#!/usr/bin/env bash
# A second copy of the game waits for an older one, writing "Waiting for old
# process to die" once a second, and after more than five waits ends it
# ("Killing old process"), then starts normally.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
cleanup() { kill "${older_pid:-0}" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- seen:"; cat "$work/seen.log" 2>/dev/null || true; exit 1; }

# A private copy: only processes of this file name count as older copies.
game="$work/zentrix-instance-test-$$"
cp "$build/zentrix" "$game"
mkdir -p "$work/old" "$work/new"
for copy in old new; do
  mkdir -p "$work/$copy/data"
  ln -s "$build/data/assets.ass" "$work/$copy/data/assets.ass"
done

(cd "$work/old" && exec xvfb-run -a -s "-screen 0 800x600x24" "$game" --windowed 320x240 \
  --no-dialogs --config-dir "$work/old/cfg") &
older_pid=$!
for _ in $(seq 100); do grep -q "Starting main loop" "$work/old/console.log" 2>/dev/null && break; sleep 0.1; done
grep -q "Starting main loop" "$work/old/console.log" || fail "the older copy did not start"

started=$(date +%s.%N)
(cd "$work/new" && exec xvfb-run -a -s "-screen 0 800x600x24" "$game" --windowed 320x240 \
  --no-dialogs --config-dir "$work/new/cfg" --frames 5) &
newer_pid=$!

# Start-up empties console.log, so the last copy that still holds the waiting
# lines is kept. The copy is checked, not the file: it may be emptied between
# a look and the copy.
touch "$work/seen.log"
while kill -0 "$newer_pid" 2>/dev/null; do
  cp "$work/new/console.log" "$work/copy.log" 2>/dev/null || true
  if grep -q "Waiting for old process to die" "$work/copy.log" 2>/dev/null; then
    mv "$work/copy.log" "$work/seen.log"
  fi
  sleep 0.1
done
wait "$newer_pid" || fail "the newer copy did not exit cleanly"
finished=$(date +%s.%N)

grep -q "Killing old process" "$work/seen.log" || fail "no killing line"
waits_before_kill=$(awk '/Killing old process/ { exit } /Waiting for old process to die/ { n++ } END { print n + 0 }' "$work/seen.log")
(( waits_before_kill > 5 )) || fail "killed after only $waits_before_kill waits"
(( waits_before_kill <= 7 )) || fail "waited $waits_before_kill times before killing"
# The older copy's virtual display goes away with it.
for _ in $(seq 50); do kill -0 "$older_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$older_pid" 2>/dev/null && fail "the older copy still runs"
elapsed=$(echo "$finished - $started" | bc)
(( $(echo "$elapsed >= 6" | bc) )) || fail "the newer copy gave up waiting after ${elapsed}s"
echo "older copy ended after ${elapsed}s and $waits_before_kill waits"
