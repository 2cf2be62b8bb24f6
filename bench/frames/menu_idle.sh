#!/bin/bash
# CPU use of the game while a menu idles: the real program, offline, windowed
# at 1280x720 without vsync, left on the Login screen's offline step (a menu
# with buttons and the moving star field). Prints the share of one core the
# process used over the measured seconds, read from /proc/PID/stat.
# Multisampling is off unless SAMPLES says otherwise ("4": Visual Quality
# Medium, which asks for 4 samples); a settings file of only the size would
# leave the quality at its stored default, which multisamples.
# Usage: bench/frames/menu_idle.sh BUILD_DIR [SECONDS] [SAMPLES]
set -euo pipefail
build=$(cd "${1:?usage: menu_idle.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-20}
samples=${3:-0}
case $samples in
    0) quality=1 ;;
    4) quality=2 ;;
    *) echo "menu idle: SAMPLES is 0 or 4"; exit 2 ;;
esac
work=$(mktemp -d)
game=
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
mkdir -p data cfg
ln -s "$build/data/assets.ass" data/assets.ass
# A private copy of the program, so no other running game counts as an older copy.
name="zx-idle-$$"
cp "$build/zentrix" "$work/$name"
printf 'ScreenWidth=1280\nScreenHeight=720\nFullscreen=0\nVSync=0\nVisualQuality=%d\n' "$quality" \
    > cfg/settings.ini
xvfb-run -a -s "-screen 0 1920x1080x24" "$work/$name" --windowed 1280x720 --no-dialogs \
    --offline --config-dir "$work/cfg" > run.log 2>&1 &
for _ in $(seq 600); do
    game=$(pgrep -x "$name" || true)
    [[ -n $game ]] && grep -q "^Title texture loaded" console.log 2>/dev/null && break
    sleep 0.2
done
[[ -n $game ]] || { echo "menu idle: the game did not start"; exit 1; }
# The intro's fades and the step to the Login screen come first, and the
# textures that go on streaming behind the menu (a frame that streams is not
# paced): the measurement starts once no texture arrived for 5 s.
sleep 15
arrived() { grep -c "^texture complete" console.log || true; }
last=$(arrived)
for _ in $(seq 60); do
    sleep 5
    now=$(arrived)
    [[ $now == "$last" ]] && break
    last=$now
done
ticks() { awk '{ print $14 + $15 }' "/proc/$game/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" \
    -v samples="$samples" 'BEGIN { printf "menu idle 1280x720, %d samples: %.2f of one core over %d s (load average %s)\n", samples, t / hz / s, s, load }'
