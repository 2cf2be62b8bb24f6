#!/usr/bin/env bash
# The real game records what it plays: the autoplay bot plays a Casual level
# under a virtual display with measured (not fixed) frame times, the game
# keeps the attempt in its data folder when it quits, and the headless player
# must reach the same score and statistics record from that file alone. Then
# the game itself shows the replay (--replay) and must reach them too.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p data cfg xdg
ln -s "$build/data/assets.ass" data/assets.ass
cp "$build/zentrix" "$work/zentrix-replay"
fail() { echo "FAIL: $*"; echo "--- console.log (tail)"; tail -30 console.log 2>/dev/null || true; exit 1; }

printf 'ScreenWidth=1280\nScreenHeight=720\nVisualQuality=1\nFullscreen=0\n' > cfg/settings.ini
echo "1390 shot $work/game.png" > script.txt
XDG_DATA_HOME="$work/xdg" xvfb-run -a -s "-screen 0 1920x1080x24" "$work/zentrix-replay" \
  --windowed 1280x720 --no-dialogs --config-dir "$work/cfg" --start casual:1 --autoplay \
  --seed 11 --frames 1400 --script script.txt > run.log 2>&1 || fail "exit code $?"
grep -q "^Level start mode=Casual level=1" console.log || fail "the level never began"
! grep -m 3 "^GL error" console.log || fail "the game's frames raised GL errors"

shopt -s nullglob
replays=("$work"/xdg/"Brisko Game Studios"/Zentrix/Replays/replay-*.zxr)
[[ ${#replays[@]} -ge 1 ]] || fail "no replay in the data folder"
# The first attempt is the Casual one; on a slow machine the bot may clear
# it and start another before its frames run out.
attempt=${replays[0]}
"$build/zentrix-balance" --archive data/assets.ass --replay "$attempt" > played.txt ||
  { cat played.txt; fail "the headless player did not reach the recorded result"; }
cat played.txt
grep -q "^statistics gamemode=1&level=1&" played.txt || fail "no statistics record"
drops=$(sed -n 's/.*&drops=\([0-9]*\).*/\1/p' played.txt)
[[ ${drops:-0} -gt 0 ]] || fail "the bot fired no shot, so the replay proves little"

# The game shows the replay: same level, same score, and a picture of it.
rm -f console.log
echo "Game+300 shot $work/shown.png" > script2.txt
XDG_DATA_HOME="$work/xdg2" xvfb-run -a -s "-screen 0 1920x1080x24" "$work/zentrix-replay" \
  --windowed 1280x720 --no-dialogs --config-dir "$work/cfg" --replay "$attempt" \
  --frames 6000 --script script2.txt > run2.log 2>&1 || fail "showing the replay: exit code $?"
grep -q "^Showing the replay" console.log || fail "the replay was never shown"
grep -q "^Replay shown: score .*, the same" console.log || fail "the shown replay ended elsewhere"
[[ -s shown.png ]] || fail "no picture of the shown replay"
[[ -z $(ls "$work"/xdg2/"Brisko Game Studios"/Zentrix/Replays/ 2>/dev/null) ]] ||
  fail "showing a replay recorded another"
if [[ -n ${SHOTS_DIR:-} ]]; then mkdir -p "$SHOTS_DIR" && cp game.png shown.png "$attempt" "$SHOTS_DIR"/; fi
echo "the game's replay plays again to the same result"
