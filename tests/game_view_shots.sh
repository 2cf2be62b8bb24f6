#!/usr/bin/env bash
# --start goes through start-up and the intro's loading step into a Classic
# game that the autoplay bot plays; screenshots of the splash and of the game
# view are taken at fixed frames and must show a picture, not a flat colour.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p data cfg
ln -s "$build/data/assets.ass" data/assets.ass
# A private copy of the program, so no other running game counts as an older copy.
cp "$build/zentrix" "$work/zentrix-view"
fail() { echo "FAIL: $*"; echo "--- console.log (tail)"; tail -40 console.log 2>/dev/null || true; exit 1; }

# The lowest quality: no multisampling, so the software renderer keeps up.
printf 'ScreenWidth=1280\nScreenHeight=720\nVisualQuality=1\nFullscreen=0\n' > cfg/settings.ini
frames=1500
{
  echo "150 shot $work/splash.png"
  for f in 1100 1300 1499; do echo "$f shot $work/game$f.png"; done
} > script.txt
xvfb-run -a -s "-screen 0 1920x1080x24" "$work/zentrix-view" --windowed 1280x720 --no-dialogs \
  --config-dir "$work/cfg" --start normal:3 --autoplay --seed 5 --fixed-step 16 \
  --frames "$frames" --script script.txt > run.log 2>&1 || fail "exit code $?"

grep -q "^Title texture loaded" console.log || fail "the intro never loaded"
grep -q "^Level start mode=Normal level=3" console.log || fail "the --start game never began"
[[ $(grep -c "^Level start" console.log) -ge 1 ]] || fail "no level"

# Standard deviation of the grey levels, 0..1: a flat frame is (nearly) 0.
spread() { identify -format '%[fx:standard_deviation]' "$1"; }
for shot in splash.png game1100.png game1300.png game1499.png; do
  [[ -s $shot ]] || fail "$shot missing"
  [[ $(identify -format '%wx%h' "$shot") == 1280x720 ]] || fail "$shot size"
  value=$(spread "$shot")
  awk -v s="$value" 'BEGIN { exit !(s > 0.02) }' || fail "$shot is blank (spread $value)"
done
# The game view is busier than the splash on black: background, mass and HUD.
awk -v a="$(spread game1499.png)" -v b="$(spread splash.png)" 'BEGIN { exit !(a > b) }' ||
  fail "the game view shows less than the splash"
# SHOTS_DIR=folder keeps the pictures for a look.
if [[ -n ${SHOTS_DIR:-} ]]; then mkdir -p "$SHOTS_DIR" && cp ./*.png "$SHOTS_DIR"/; fi
echo "game view screenshots passed"
