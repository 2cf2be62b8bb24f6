#!/usr/bin/env bash
# A game that cannot start ends with a failure status and says why: no
# display at all, a display without OpenGL, and no data.
set -uo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$build/zentrix" "$work/zentrix-fail"
fail() { echo "FAIL: $*"; exit 1; }

DISPLAY=:4242 WAYLAND_DISPLAY= SDL_VIDEODRIVER=x11 "$work/zentrix-fail" --no-dialogs \
  --config-dir "$work/cfg" > out1.txt 2>&1
status=$?
[[ $status -ne 0 ]] || fail "no display, yet exit status 0"
grep -q "^Error: Unable to start the display" out1.txt || fail "no display: no message ($(cat out1.txt))"

# The dummy video driver opens no GL context.
SDL_VIDEODRIVER=dummy "$work/zentrix-fail" --no-dialogs --config-dir "$work/cfg" > out2.txt 2>&1
status=$?
[[ $status -eq 1 ]] || fail "no GL context, exit status $status"
grep -q "Error: Error Creating OpenGL Window" out2.txt || fail "no GL context: no message ($(cat out2.txt))"
# Started from a folder without the game's data: the path looked for is named.
xvfb-run -a -s "-screen 0 800x600x24" "$work/zentrix-fail" --no-dialogs --windowed 320x240 \
  --config-dir "$work/cfg" > out3.txt 2>&1
status=$?
[[ $status -ne 0 ]] || fail "no data, yet exit status 0"
grep -q "$work/data/assets.ass" out3.txt || fail "no data: the path is not named ($(cat out3.txt))"
echo "ok"
