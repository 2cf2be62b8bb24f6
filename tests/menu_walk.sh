#!/usr/bin/env bash
# A player's walk through the menus, offline, from a fresh profile, at
# 1280x720: "Play in Offline Mode" on the Login screen, Start Game > Classic > Casual > Practice > Level 3, the controls
# card (a click in its first second does nothing), "No" to the reset
# question, a few seconds of play (the colour card comes up and is closed), Esc, Options from the pause menu (the
# resolution is refused, the music volume changes), Save, Resume, Quit to
# the menu, Credits and back, Quit. Click positions come from the layout
# rules: W, H and the menu font height f = H / 1050 x 55 x 0.5.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p data cfg shots
ln -s "$build/data/assets.ass" data/assets.ass
cp "$build/zentrix" "$work/zentrix-walk"
fail() { [[ -n ${SHOTS_DIR:-} ]] && mkdir -p "$SHOTS_DIR" && cp shots/*.png "$SHOTS_DIR"/ 2>/dev/null; echo "FAIL: $*"; echo "--- console.log (tail)"; tail -40 console.log 2>/dev/null || true; exit 1; }

W=1280 H=720
calc() { awk "BEGIN { printf \"%d\", $1 }"; }
f=$(awk -v h=$H 'BEGIN { print h / 1050 * 55 * 0.5 }')
# Standard row k: hover rectangle centred at H/2 + 2 f k - f / 2.75.
row() { calc "$H / 2 + 2 * $f * ($1) - $f / 2.75"; }
# Pause menu button k: H/2 - 0.45 f + f/2 x 0.9 x 3.75 k.
pauseRow() { calc "$H / 2 - 0.45 * $f + $f / 2 * 0.9 * 3.75 * ($1)"; }
# Options row r (0 .. 9): baseline 0.37 H + 1.17 f r; its arrows' boxes are f x 0.8 tall.
optionsTop=0.37
optionRow() { calc "$optionsTop * $H + $f * 1.17 * ($1) - 0.4 * $f * 0.8"; }
cx=$((W / 2))
click() { echo "$1 move $2 $3"; echo "$(($1 + 5)) ldown"; echo "$(($1 + 6)) lup"; }
{
  # Offline, the intro leads to the Login screen's offline step first.
  echo "300 shot $work/shots/offline_step.png"
  click 310 $cx "$(row 3)"                        # Play in Offline Mode
} > script.txt
# The rest of the walk, from the menu on; frames count from the menu's arrival.
{
  echo "395 shot $work/shots/menu.png"
  click 400 $cx "$(row -3)"                       # Start Game
  echo "470 shot $work/shots/gametype.png"
  click 480 $cx "$(row -2)"                       # Classic
  echo "550 shot $work/shots/difficulty.png"
  click 560 $cx "$(row -2)"                       # Casual
  echo "630 shot $work/shots/playmode.png"
  click 640 $cx "$(row -1)"                       # Practice
  echo "715 shot $work/shots/levelselect.png"
  click 720 "$(calc "$W / 2 - 0.1 * $H")" "$(row 0)"  # Level 3
  click 770 $cx $((H / 2))                        # inside the card's first second: nothing
  echo "800 shot $work/shots/card.png"
  click 850 $cx $((H / 2))                        # closes the card
  echo "880 shot $work/shots/reset_question.png"
  click 890 "$(calc "$W / 2 + 0.15 * $H - $f")" "$(calc "$H / 2 + 0.03 * $H - 0.4 * $f")"  # No
  echo "1000 shot $work/shots/colour_card.png"
  click 1030 $cx $((H / 2))                       # the colour card, up since a second of play
  echo "1045 shot $work/shots/game.png"
  echo "1050 key escape"
  echo "1058 move $cx $(pauseRow 1)"
  echo "1060 shot $work/shots/pause.png"
  click 1060 $cx "$(pauseRow 1)"                  # Options
  echo "1135 shot $work/shots/options_from_game.png"
  click 1140 "$(calc "0.70 * $W")" "$(optionRow 0)"    # Resolution ">" : refused
  click 1150 "$(calc "0.58 * $W")" "$(optionRow 6)"    # Music Vol "<"
  echo "1158 shot $work/shots/options_changed.png"
  click 1160 "$(calc "0.58 * $W")" "$(calc "$optionsTop * $H + $f * 1.17 * 10.5 - 0.35 * 0.8 * $f")"  # Save
  echo "1225 shot $work/shots/paused_again.png"
  click 1240 $cx "$(pauseRow -1)"                 # Resume
  echo "1300 key escape"
  click 1320 $cx "$(pauseRow 2)"                  # Quit
  click 1400 $cx "$(row 2)"                       # Credits
  echo "1470 shot $work/shots/credits.png"
  click 1480 $cx $((H / 2))                       # back to the menu
  click 1560 $cx "$(row 3)"                       # Quit
  echo "2400 shot $work/shots/too_late.png"
} | awk '{ $1 += 80; print }' >> script.txt

start=$SECONDS
xvfb-run -a -s "-screen 0 1920x1080x24" "$work/zentrix-walk" --windowed ${W}x${H} --no-dialogs \
  --offline --config-dir "$work/cfg" --seed 3 --fixed-step 16 --frames 2600 \
  --script script.txt > run.log 2>&1 || fail "exit code $?"
echo "menu walk ran in $((SECONDS - start)) s"

[[ ! -e shots/too_late.png ]] || fail "the Quit item did not end the program"
grep -q "^Level start mode=Casual level=3" console.log || fail "the Practice game of level 3 never began"
settings=cfg/settings.ini
grep -qx 'TuteControl=1' "$settings" || fail "the controls card was not marked seen"
grep -qx 'MusicVol=9' "$settings" || fail "music volume not saved ($(grep MusicVol "$settings"))"
grep -qx 'ScreenWidth=1920' "$settings" || fail "the resolution changed from the pause screen"
for shot in shots/*.png; do
  [[ $(identify -format '%wx%h' "$shot") == ${W}x${H} ]] || fail "$shot size"
done
if [[ -n ${SHOTS_DIR:-} ]]; then mkdir -p "$SHOTS_DIR" && cp shots/*.png console.log "$SHOTS_DIR"/; fi
echo "menu walk passed"
