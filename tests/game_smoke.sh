#!/usr/bin/env bash
# The game starts windowed, runs a scripted session, takes a screenshot,
# writes its logs and settings, and quits cleanly with exit code 0.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Our own virtual screen, so the desktop size is known.
# A private copy of the program, so no other running game counts as an older copy.
cp "$build/zentrix" "$work/zentrix-smoke"
mkdir -p data
ln -s "$build/data/assets.ass" data/assets.ass
run_game() { xvfb-run -a -s "-screen 0 1920x1080x24" "$work/zentrix-smoke" "$@"; }
fail() { echo "FAIL: $*"; echo "--- console.log"; cat console.log 2>/dev/null || true; exit 1; }

printf '5 move 640 360\n40 shot %s/shot.png\n' "$work" > script.txt
run_game --windowed 1280x720 --no-dialogs --frames 90 --config-dir "$work/cfg" \
  --script script.txt --seed 7 || fail "exit code $?"

[[ -s shot.png ]] || fail "no screenshot"
[[ $(identify -format '%wx%h' shot.png) == 1280x720 ]] || fail "screenshot size"
[[ -f trace.log && ! -s trace.log ]] || fail "trace.log must exist and be empty"
for line in "Initializing" "OS: " "CPU: " "RAM: " "OpenGL: " "Video Card: " "Manufacturer: " \
            "Finished initializing" "Starting main loop"; do
  grep -q "^$line" console.log || fail "console.log lacks '$line'"
done
# The log begins with this run's entry (its version line), and keeps what the
# entry logged before start-up.
[[ $(head -1 console.log | tr -d '\r') == "Version "* ]] || fail "the log begins with the entry"
[[ $(grep -c '^Initializing' console.log) -eq 1 ]] || fail "one start-up in the log"

settings="$work/cfg/settings.ini"
[[ $(grep -c '=' "$settings") -eq 25 ]] || fail "settings.ini should hold 25 values"
# A first run on a software renderer (Xvfb's llvmpipe) starts at Low and says so.
if grep -q "^Software renderer (.*): Visual Quality starts at Low" console.log; then
  grep -qx 'VisualQuality=1' "$settings" || fail "a software renderer starts at Low"
else
  grep -qx 'VisualQuality=3' "$settings" || fail "VisualQuality default"
fi
grep -qx 'MotionBlur=0' "$settings" || fail "quality 1 and 3 turn motion blur off"
grep -qx 'ScreenWidth=1920' "$settings" || fail "--windowed must not change the stored size"

# A quit from the script ends the program cleanly too.
printf '3 quit\n' > quit.txt
run_game --windowed 640x480 --no-dialogs --config-dir "$work/cfg" --script quit.txt ||
  fail "quit exit code"
echo "game smoke test passed"
