#!/usr/bin/env bash
# The real game under a virtual display plays by itself for MINUTES (every
# mode in turn, a new run as each ends), its resident memory sampled once a
# minute; at the end the series, the runs played and the GL errors seen (the
# game checks glGetError once a frame in autoplay) are printed.
# Usage: bench/soak/autoplay.sh BUILD_DIR [MINUTES] [WxH]
set -euo pipefail
build=$(cd "${1:?usage: autoplay.sh BUILD_DIR [MINUTES] [WxH]}" && pwd)
minutes=${2:-30}
size=${3:-1280x720}
work=$(mktemp -d)
trap 'kill "$game" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
mkdir data
ln -s "$build/data/assets.ass" data/assets.ass
# A private copy, so no other running game counts as an older copy of this one.
cp "$build/zentrix" zentrix-soak
xvfb-run -a -s "-screen 0 1920x1080x24" ./zentrix-soak --windowed "$size" --no-dialogs \
    --offline --config-dir "$work/cfg" --seed 1 --start casual:1 --autoplay &
game=$!
rss_of_game() {
    local pid
    pid=$(pgrep -f -n "^./zentrix-soak" || true)
    [[ -n $pid ]] && awk '/^VmRSS/ { print int($2 / 1024) }' "/proc/$pid/status" 2>/dev/null
}
series=()
for minute in $(seq "$minutes"); do
    sleep 60
    kill -0 "$game" 2>/dev/null || { echo "autoplay: FAIL: the game ended after $minute min"; exit 1; }
    series+=("$(rss_of_game)")
    echo "autoplay: minute $minute: ${series[-1]} MB resident"
done
kill "$game"
wait "$game" 2>/dev/null || true
runs=$(grep -ac '^Autoplay begins run' console.log || true)
errors=$(grep -ac '^GL error' console.log || true)
echo "autoplay: $minutes min, resident MB per minute: ${series[*]}"
echo "autoplay: $runs runs begun after the first, $errors GL errors"
[[ $errors -eq 0 ]]
