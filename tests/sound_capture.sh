#!/usr/bin/env bash
# Records what the game really plays through OpenAL Soft's wave back end and
# measures the recording: music with drums during play, silence while another
# window has the focus, and the mass hum rising as the meter nears its limit.
set -euo pipefail
# The whole session runs on one virtual screen, so xdotool reaches the game's window.
if [[ -z "${ZENTRIX_CAPTURE_SCREEN:-}" ]]; then
  ZENTRIX_CAPTURE_SCREEN=1 exec xvfb-run -a -s "-screen 0 1280x720x24" bash "$0" "$@"
fi
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; echo "--- console.log"; tail -40 console.log 2>/dev/null || true; exit 1; }
[[ -f "$build/data/assets.ass" ]] || fail "no asset archive in $build/data"
ln -s "$build/data" data
# A private copy of the program, so no other running game counts as an older copy.
cp "$build/zentrix" zentrix-capture

# Starts the game in the background, recording into $1; waits for its main loop.
start_game() {
  printf '[general]\ndrivers=wave\n[wave]\nfile=%s\n' "$work/$1" > alsoft.conf
  shift
  rm -f console.log
  ALSOFT_CONF="$work/alsoft.conf" ./zentrix-capture --windowed 640x480 --no-dialogs --offline \
    --config-dir "$work/cfg" --seed 3 "$@" > game.out 2>&1 &
  game=$!
  for _ in $(seq 300); do
    grep -q '^Starting main loop' console.log 2>/dev/null && return 0
    sleep 0.1
  done
  fail "the game did not reach its main loop"
}
# Asks the game to close (SDL turns SIGTERM into a quit) and waits for it.
stop_game() {
  kill -TERM "$game"
  wait "$game" || fail "the game ended with code $?"
}

# Levels of the recording in 0.25 s windows, dB, one per line; $2 = sox filter.
levels() {
  sox "$1" -t raw -e signed -b 16 -c 1 -r 44100 - ${2:-} 2>/dev/null | python3 -c '
import array, math, sys
a = array.array("h"); a.frombytes(sys.stdin.buffer.read())
w = 11025
for i in range(0, len(a) - w + 1, w):
    s = sum(x * x for x in a[i:i + w]) / w
    print("%.1f" % (-120.0 if s == 0 else 10 * math.log10(s / 32768.0 ** 2)))'
}

# Tutorial cards stop play until clicked: mark them all as seen.
tutorials_seen() {
  for flag in Control Combo ComboNow Color Zent Pup Rush Survival Meditation; do
    echo "Tute$flag=1"
  done
}

# ---- session 1: play with music, then the focus goes elsewhere and comes back ----
mkdir -p cfg
tutorials_seen > cfg/settings.ini
start_game music.wav --start normal:1
sleep 8
root=$(xwininfo -root | awk '/Window id/ {print $4}')
xdotool windowfocus "$root"
sleep 3
for window in $(xdotool search --name Zentrix); do xdotool windowfocus "$window"; done
sleep 3
stop_game
[[ -s music.wav ]] || fail "nothing was recorded"
sox music.wav -n stats 2>&1 | grep -E 'Pk lev|RMS lev|Length' | sed 's/^/music.wav: /'

levels music.wav > all.txt
levels music.wav "sinc 6000" > high.txt
python3 - all.txt high.txt <<'EOF' || fail "session 1 measurements"
import sys
all_db = [float(x) for x in open(sys.argv[1])]
high_db = [float(x) for x in open(sys.argv[2])]
silent = [v < -80 for v in all_db]
# Runs of sound and silence after the music first starts.
first = silent.index(False)
runs = []
for i in range(first, len(silent)):
    if runs and runs[-1][0] == silent[i]:
        runs[-1][1] += 1
    else:
        runs.append([silent[i], 1, i])
print("runs (silent, windows, start):", runs)
gaps = [r for r in runs[1:-1] if r[0] and r[1] >= 8]
assert len(gaps) == 1, "one silence of 2 s or more between music while inactive"
gap = gaps[0]
assert 8 <= gap[1] <= 16, "the silence lasts about as long as the focus was away"
# Windows that straddle a focus change are left out.
before = all_db[gap[2] - 9:gap[2] - 1]
after = all_db[gap[2] + gap[1] + 1:gap[2] + gap[1] + 9]
print("music before", before, "after", after)
assert min(before) > -45 and min(after) > -45, "music plays before and after"
# The drums carry nearly all the sound above 6 kHz; the melody alone stays below -60 dB there.
drums = sorted(high_db[gap[2] - 9:gap[2] - 1])
print("above 6 kHz before the gap: median %.1f dB of %s" % (drums[4], drums))
assert drums[4] > -58, "the drums are in the mix during play"
EOF

# ---- session 2: no music and no shots: the meter grows past its limit ----
{ tutorials_seen; echo "MusicVol=0"; } > cfg/settings.ini
start_game hum.wav --start normal:1 --fixed-step 40 --frames 1500
wait "$game" || fail "the game ended with code $?"
sox hum.wav -n stats 2>&1 | grep -E 'Pk lev|RMS lev|Length' | sed 's/^/hum.wav: /'
levels hum.wav > hum.txt
python3 - hum.txt <<'EOF' || fail "session 2 measurements"
import sys
db = [float(x) for x in open(sys.argv[1])]
first = next(i for i, v in enumerate(db) if v > -80)
# The hum starts at 75 % of the limit and rises; the loss then plays louder effects.
rise = db[first:first + 4]
print("first sound: window %d, levels %s" % (first, rise))
assert max(rise) > rise[0] + 10, "the hum rises by more than 10 dB as the meter fills"
assert all(v < -80 for v in db[:first]), "no music with MusicVol 0"
EOF
echo "sound capture test passed"
