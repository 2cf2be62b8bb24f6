#!/usr/bin/env bash
# Records what the game really plays through OpenAL Soft's wave back end and
# measures the recording against the game's own log of play requests
# (--sound-log): music with drums during play, the music's pitch dropping
# under Timewarp, silence while another window has the focus, the shot and
# the pops of a chain at their moments with the pitch rising pop by pop, and
# the mass hum rising as the meter nears its limit before the loss.
set -euo pipefail
# The music session runs on one virtual screen, so xdotool reaches the game's window.
if [[ -z "${ZENTRIX_CAPTURE_SCREEN:-}" ]]; then
  ZENTRIX_CAPTURE_SCREEN=1 exec xvfb-run -a -s "-screen 0 1280x720x24" bash "$0" "$@"
fi
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game=0
asides=()
screens=()
cleanup() {
  if ((game > 0)); then kill -TERM "$game" 2>/dev/null || true; fi
  # The sessions beside it stop themselves once they have what they need.
  for job in "${asides[@]}"; do wait "$job" || true; done
  for screen in "${screens[@]}"; do kill "$screen" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

fail() {
  echo "FAIL: $*"
  echo "--- console.log"
  tail -40 "${2:-.}/console.log" 2>/dev/null || true
  exit 1
}
[[ -f "$build/data/assets.ass" ]] || fail "no asset archive in $build/data"


# Settings in folder $1 with every tutorial card seen and fast visuals, plus the lines given.
write_settings() {
  local folder=$1
  shift
  mkdir -p "$folder"
  {
    for flag in Control Combo ComboNow Color Zent Pup Rush Survival Meditation; do
      echo "Tute$flag=1"
    done
    # No multisampling: software rendering stays fast.
    echo "VisualQuality=1"
    printf '%s\n' "$@"
  } > "$folder/settings.ini"
}

# Prepares folder $1 for a session: data, settings (the remaining arguments),
# the wave back end writing $1.wav at a fixed rate and block size (the checks
# place sounds on the mixer's blocks), and a private copy of the program under a
# name of this run's own, so no other running game counts as an older copy.
prepare_session() {
  local name=$1
  shift
  write_settings "$name/cfg" "$@"
  ln -s "$build/data" "$name/data"
  cp "$build/zentrix" "$name/zentrix-$name-$$"
  printf '[general]\ndrivers=wave\nfrequency=44100\nperiod_size=1024\n[wave]\nfile=%s\n' "$work/$name.wav" > "$name/alsoft.conf"
}

# Runs the game of folder $1 with the remaining arguments, in the background
# (pid in $game), logging its play requests into $1.log.
launch_game() {
  local name=$1
  shift
  (
    cd "$name"
    ALSOFT_CONF="$work/$name/alsoft.conf" exec "./zentrix-$name-$$" --windowed 320x240 \
      --no-dialogs --offline --config-dir "$work/$name/cfg" --seed 3 \
      --sound-log "$work/$name.log" "$@" > game.out 2>&1
  ) &
  game=$!
}

# Asks the game to close (SDL turns SIGTERM into a quit) and waits for it.
stop_game() {
  kill -TERM "$game"
  wait "$game" || fail "the game ended with code $?" "$1"
  game=0
}

# Runs session $1 on a virtual screen of its own, in the background, until
# the check $2 passes on its log (at most 90 s); the game's arguments follow.
run_aside() {
  local name=$1 check=$2
  shift 2
  Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3> "$name.display" 2> /dev/null &
  screens+=($!)
  for _ in $(seq 100); do [[ -s "$name.display" ]] && break; sleep 0.1; done
  (
    export DISPLAY=":$(cat "$name.display")"
    launch_game "$name" "$@"
    for _ in $(seq 180); do
      "$check" "$name.log" && break
      kill -0 "$game" 2> /dev/null || break
      sleep 0.5
    done
    stop_game "$name"
  ) &
  asides+=($!)
}

# Waits until log $1 holds a line matching $2, for at most $3 tenths of a second.
wait_for_log() {
  for _ in $(seq "$3"); do
    grep -q "$2" "$1" 2> /dev/null && return 0
    kill -0 "$game" 2> /dev/null || return 1
    sleep 0.1
  done
  return 1
}
# The highest frame number logged so far.
last_frame() { tail -1 "$1" | awk '{print $2}'; }
# The left channel as raw 32-bit floats: even the faintest sample stays non-zero.
to_float() { sox "$1.wav" -t raw -e floating-point -b 32 -c 1 "$1.f32" remix 1 2> /dev/null; }
summary() { sox "$1.wav" -n stats 2>&1 | grep -E 'Pk lev|RMS lev|Length' | sed "s/^/$1.wav: /"; }

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

# Shared measurements: spectra, peaks and the sound log.
cat > capture.py <<'EOF'
import array, cmath, math
RATE = 44100

def load(path):
    samples = array.array("f")
    samples.frombytes(open(path, "rb").read())
    return samples

def line_ms(words):
    """A log line's time: the mixer's clock, which the recording follows even
    when a busy machine holds the mixer back; the wall clock without one."""
    mixer = int(words[-1]) if words[-2] == "mixer" else -1
    return mixer if mixer >= 0 else int(words[3])

def requests(path):
    """(frame, ms, name, gain, pitch) per play request of a --sound-log file."""
    out = []
    for line in open(path):
        w = line.split()
        if len(w) == 9:
            out.append((int(w[1]), line_ms(w), w[4], float(w[5]), float(w[6])))
    return out

def silenced_ms(path, after_ms):
    """The log times after after_ms at which the game silenced every sound (the
    window has no focus yet in the first frame, before anything plays)."""
    return [line_ms(w) for w in map(str.split, open(path))
            if w[4] == "silenced" and line_ms(w) > after_ms]

def first_sound_ms(samples):
    return next(i for i, x in enumerate(samples) if x != 0.0) * 1000.0 / RATE

def fft(x):
    n = len(x)
    if n == 1:
        return [complex(x[0])]
    even, odd = fft(x[0::2]), fft(x[1::2])
    turned = [cmath.exp(-2j * math.pi * k / n) * odd[k] for k in range(n // 2)]
    return [even[k] + turned[k] for k in range(n // 2)] + \
           [even[k] - turned[k] for k in range(n // 2)]

def power(samples, start, n=4096):
    """Hann-windowed power spectrum of n samples from start, scaled so a band sum is its mean square."""
    seg = list(samples[max(start, 0):max(start, 0) + n])
    seg += [0.0] * (n - len(seg))
    window = [0.5 - 0.5 * math.cos(2 * math.pi * i / (n - 1)) for i in range(n)]
    spectrum = fft([s * w for s, w in zip(seg, window)])
    scale = 2.0 / (n * sum(w * w for w in window))
    return [abs(c) ** 2 * scale for c in spectrum[:n // 2]]

def at(ms):
    return int(ms * RATE / 1000)

def band_db(p, lo, hi, n=4096):
    step = RATE / n
    s = sum(p[int(lo / step):int(hi / step)])
    return 10 * math.log10(s) if s > 0 else -200.0

def semitone_bands(p, lo, count, n=4096):
    """dB levels of `count` semitone-wide bands from lo upwards."""
    step, out = RATE / n, []
    for k in range(count):
        f0, f1 = lo * 2 ** ((k - 0.5) / 12) / step, lo * 2 ** ((k + 0.5) / 12) / step
        total, i = 0.0, int(f0)
        while i < f1:
            total += p[i] * (min(i + 1, f1) - max(i, f0))
            i += 1
        out.append(10 * math.log10(max(total, 1e-15)))
    return out

def spectral_shift(ref, other, lo, hi):
    """Semitones by which `other` sits above `ref`: the best correlating offset, 0.1 steps."""
    best, best_score = lo, -2.0
    for tenth in range(int(lo * 10), int(hi * 10) + 1):
        shift, pairs = tenth / 10, []
        for k in range(len(other)):
            x = k - shift
            if 0 <= x < len(ref) - 1:
                i, f = int(x), x - int(x)
                pairs.append((ref[i] * (1 - f) + ref[i + 1] * f, other[k]))
        mean_r = sum(r for r, _ in pairs) / len(pairs)
        mean_o = sum(o for _, o in pairs) / len(pairs)
        cov = sum((r - mean_r) * (o - mean_o) for r, o in pairs)
        spread = math.sqrt(sum((r - mean_r) ** 2 for r, _ in pairs) *
                           sum((o - mean_o) ** 2 for _, o in pairs))
        score = cov / spread if spread else 0.0
        if score > best_score:
            best, best_score = shift, score
    return best

def mean_power(samples, t0, t1, n=1024):
    spectra = [power(samples, s, n) for s in range(at(t0), at(t1) - n, n)]
    return [sum(column) / len(spectra) for column in zip(*spectra)]

def rolloff_hz(p, share, lo, n=1024):
    """The frequency below which `share` of the energy above lo lies."""
    step = RATE / n
    first = int(lo / step)
    total, running = sum(p[first:]), 0.0
    for i in range(first, len(p)):
        running += p[i]
        if running >= share * total:
            return i * step

def zero_crossings_per_s(samples, t0, t1):
    seg = samples[at(t0):at(t1)]
    flips = sum(1 for i in range(1, len(seg)) if (seg[i - 1] < 0) != (seg[i] < 0))
    return flips / (len(seg) / RATE)

def effect_requests(log):
    """The requests played at a gain: the music loops start silent."""
    return [r for r in log if r[3] > 0]

def lone_shots(effects):
    """Shots with no other sound 300 ms before or 160 ms after."""
    last = effects[-1][1] if effects else 0
    return [ms for _, ms, name, *_ in effects if name == "swish.ogg" and last >= ms + 160 and
            not any(ms - 300 < other < ms + 160 for _, other, *_ in effects if other != ms)]

def pop_chains(effects):
    """Pops grouped into chains: a pop follows the latest one before it that was
    0.2 lower. On a busy machine a frame can last up to a second, the longest
    frame that still runs the game, so pops of one chain may lie that far apart."""
    chains = []
    # Pops of one frame share a time; the lower pitch came first in its chain.
    for ms, pitch in sorted((ms, pitch) for _, ms, name, _, pitch in effects if name == "stab6.ogg"):
        follows = [c for c in chains if abs(pitch - c[-1][1] - 0.2) < 1e-3 and ms - c[-1][0] < 1200]
        if follows:
            max(follows, key=lambda c: c[-1][0]).append((ms, pitch))
        else:
            chains.append([(ms, pitch)])
    return chains

RING_MS = 300  # another chain's pop still sounds this long after it starts
# The mixer starts a sound only at the start of one of its blocks, so a sound
# lands up to a block after its request, and the first sound that pins the log
# to the recording may itself be late by as much: a logged time is only good
# to a block or so either way.
BLOCK = 1024  # frames per mixer block, the period_size of alsoft.conf
SLACK_MS = 25  # a little more than one block
WINDOW_MS = 4096 * 1000.0 / RATE  # the length of one measured spectrum
SKIP_MS = 10  # the pop's spectrum is taken from this long after its start
BUSY_AFTER_MS = SKIP_MS + WINDOW_MS + SLACK_MS

def is_landing(chain, name, ms):
    """The landing that set the chain off, a frame or so before its first pop:
    its ring lies mostly below the compared bands."""
    return name == "clunk-hardcore.ogg" and chain[0][0] - 2 * SLACK_MS <= ms <= chain[0][0]

def measurable_pop(effects, chain, pop):
    """True when nothing but pop's own chain sounds while it is measured: no
    other sound starts within a block of it or during its window, no pop of its
    own chain starts with it or during its window, and no other chain's pop
    rings under it. The chain's earlier pops ring under it, one step lower."""
    ms = pop[0]
    for _, when, name, _, pitch in effects:
        own = name == "stab6.ogg" and (when, pitch) in chain
        if (own and (when, pitch) == pop) or is_landing(chain, name, when):
            continue
        window_end = ms + (SKIP_MS + WINDOW_MS if own else BUSY_AFTER_MS)
        if ms - SLACK_MS < when <= window_end:
            return False
        if name == "stab6.ogg" and not own and ms - RING_MS < when <= ms - SLACK_MS:
            return False
    return True

def clean_steps(effects, chains):
    """Successive pops of a chain that can both be measured."""
    return [(a, b) for chain in chains for a, b in zip(chain, chain[1:])
            if measurable_pop(effects, chain, a) and measurable_pop(effects, chain, b)]

def rise_db(samples, block):
    """How much louder the sound gets at the start of a mixer block; a floor at
    -60 dB keeps a fade-in out of silence from counting as a start."""
    start, floor = block * BLOCK, 512 * 1e-6
    before = sum(x * x for x in samples[max(start - 512, 0):start])
    after = sum(x * x for x in samples[start:start + 512])
    return 10 * math.log10(max(after, floor) / max(before, floor))

def onset_ms(samples, ms):
    """Where a sound requested at about ms really starts in the recording:
    the block start within SLACK_MS where the level rises most."""
    first, last = at(ms - SLACK_MS) // BLOCK, at(ms + SLACK_MS) // BLOCK + 1
    best = max(range(max(first, 1), last + 1), key=lambda block: rise_db(samples, block))
    return best * BLOCK * 1000.0 / RATE

def enough_effects(path):
    """What session 2's checks need: three lone shots, 12 pops in chains, one of 4 or more."""
    effects = effect_requests(requests(path))
    chains = pop_chains(effects)
    # Twice the steps the check needs: a step whose pops land closer in the
    # recording than in the log is left out there, and on a busy machine the
    # mixer bunches a third of them or more.
    return (len(lone_shots(effects)) >= 3 and len(clean_steps(effects, chains)) >= 12
            and sum(map(len, chains)) >= 12 and max(map(len, chains), default=0) >= 4)

def wall_ms_of_frame(log, frame):
    """A frame's request time, interpolated between logged frames."""
    points = sorted({(f, ms) for f, ms, *_ in log})
    below = [p for p in points if p[0] <= frame][-1]
    above = next((p for p in points if p[0] >= frame), None)
    if above is None or above[0] == below[0]:
        return below[1]
    return below[1] + (above[1] - below[1]) * (frame - below[0]) / (above[0] - below[0])
EOF

# ---- sessions 2 and 3 start beside it, each on a screen of its own ----
# Enough lone shots and clean steps between pops logged so far; then 1 s more.
enough_effects() {
  [[ -f "$1" ]] && python3 -c 'import capture, sys; sys.exit(not capture.enough_effects(sys.argv[1]))' \
    "$1" && sleep 1
}
# The explosion rings on in real time after the loss: record 2 s of it.
loss_heard() { grep -q explosey3.ogg "$1" 2> /dev/null && sleep 2; }

# Session 2: effects only, in real time: shots and chains of pops.
prepare_session effects "MusicVol=0"
run_aside effects enough_effects --start normal:1 --autoplay
# Session 3: no music and no shots, so the meter grows past its limit; the
# fixed step runs the game ahead of real time.
prepare_session hum "MusicVol=0"
run_aside hum loss_heard --start normal:1 --fixed-step 20 --frames 40000

# ---- session 1: music, Timewarp, then the focus goes elsewhere and comes back ----
# Effects are muted, so only the music is measured. Key "2" starts Timewarp as
# soon as the bot's matches have charged it; a fixed step lets the game run
# ahead of real time until then.
prepare_session music "SoundVol=0"
for frame in $(seq 0 10 30000); do echo "$frame key 2"; done > timewarp.txt
launch_game music --start normal:8 --autoplay --fixed-step 40 --script "$work/timewarp.txt"
wait_for_log music.log subdrop.ogg 1200 || fail "Timewarp was not started within 120 s" music
timewarp_frame=$(grep -m1 subdrop.ogg music.log | awk '{print $2}')
# Timewarp lasts 20 s of frame time: 500 frames at this step. Wait past it.
for _ in $(seq 300); do
  (($(last_frame music.log) > timewarp_frame + 600)) && break
  sleep 0.1
done
sleep 0.5
root=$(xwininfo -root | awk '/Window id/ {print $4}')
xdotool windowfocus "$root"
sleep 3
for window in $(xdotool search --name Zentrix); do xdotool windowfocus "$window"; done
sleep 3
stop_game music
[[ -s music.wav ]] || fail "nothing was recorded"
summary music
to_float music

levels music.wav > all.txt
levels music.wav "sinc 6000" > high.txt
python3 - all.txt high.txt <<'EOF' || fail "session 1: music and focus" music
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

python3 - music.f32 music.log <<'EOF' || fail "session 1: Timewarp" music
import sys
from capture import *
samples, log = load(sys.argv[1]), requests(sys.argv[2])
# The game logs when the lost focus silences everything, and the recording
# goes quiet a mixer block later: that pins the log to the recording.
frame, started = next((f, ms) for f, ms, name, *_ in log if name == "subdrop.ogg")
silenced = silenced_ms(sys.argv[2], started)
assert len(silenced) == 1, "the focus change silences the game once"
run, silence = 0, None
for i in range(at(first_sound_ms(samples)), len(samples)):
    run = run + 1 if samples[i] == 0.0 else 0
    if run == at(100):
        silence = i - run + 1
        break
wav_of_log = silence * 1000.0 / RATE - silenced[0]
print("recording time = log time %+.0f ms" % wav_of_log)
begins = wall_ms_of_frame(log, frame) + wav_of_log
# The pitch falls to 0.6 within 20 frames; measure inside frames 60..440 of its 500.
first, last = (wall_ms_of_frame(log, frame + f) + wav_of_log for f in (60, 440))
inside = (first + 100, min(last - 100, first + 3000))
# Four seconds before it: the upper edge swings with what the drums play.
normal = (max(begins - 4700, first_sound_ms(samples) + 500), begins - 500)
assert inside[1] - inside[0] >= 500, "Timewarp lasted too short a wall time to measure"
print("Timewarp from %.0f ms; measured %.0f..%.0f ms against %.0f..%.0f ms" % (begins, *inside, *normal))
# Slower playback squeezes the whole spectrum down: its upper edge moves with the pitch.
edges = [rolloff_hz(mean_power(samples, *span), 0.95, 4000) for span in (normal, inside)]
crossings = [zero_crossings_per_s(samples, *span) for span in (normal, inside)]
print("upper spectral edge %.0f Hz -> %.0f Hz (ratio %.2f)" % (*edges, edges[1] / edges[0]))
print("zero crossings %.0f/s -> %.0f/s (ratio %.2f)" % (*crossings, crossings[1] / crossings[0]))
# The zero-crossing rate is printed for comparison only: the hi-hats make it
# swing by a third over one-second windows, and on a busy machine Timewarp can
# last no longer than that. The upper edge of the music stays put.
assert 0.5 <= edges[1] / edges[0] <= 0.7, "the music plays at about 0.6 of its pitch under Timewarp"
EOF

# ---- session 2, its end: shots and chains of pops ----
wait "${asides[0]}" || fail "the effects session failed" effects
summary effects
to_float effects
python3 - effects.f32 effects.log <<'EOF' || fail "session 2: shots and pops" effects
import sys
from capture import *
samples, log = load(sys.argv[1]), requests(sys.argv[2])
effects = effect_requests(log)
assert not silenced_ms(sys.argv[2], effects[0][1]), "nothing takes the focus from the window"
# Nothing sounds before the first effect: its start pins the log to the recording.
offset = first_sound_ms(samples) - effects[0][1]
print("recording time = log time %+.0f ms" % offset)
assert effects[0][1] + offset > 0
# Sounds started in the last 300 ms of the recording are left out.
effects = [r for r in effects if r[1] + offset + 300 < len(samples) * 1000 / RATE]

# The shot: noise swept upwards, so several octaves light up at once.
octaves = [(250 * 2 ** k, 500 * 2 ** k) for k in range(6)]
heard = 0
shots = lone_shots(effects)
for ms in shots:
    t = ms + offset
    before, during = power(samples, at(t - 100)), power(samples, at(t + 60))
    rise = [band_db(during, *b) - band_db(before, *b) for b in octaves]
    loud = [band_db(during, *b) for b in octaves]
    lit = sum(1 for r, l in zip(rise, loud) if r > 10 and l > -70)
    print("shot at %6.0f ms: octave rises %s dB, levels %s dB" %
          (t, " ".join("%.0f" % r for r in rise), " ".join("%.0f" % l for l in loud)))
    heard += lit >= 4
for ms in [ms + offset for _, ms, name, *_ in effects if name == "swish.ogg"]:
    level = band_db(power(samples, at(ms + 60)), 1000, 8000)
    assert level > -45, "the shot at %d ms sounds (%.1f dB)" % (ms, level)
assert len(shots) >= 3, "enough shots on their own to measure"
assert heard == len(shots), "every shot sounds across at least four octaves"

# The pops: from one pop to the next the frequency content moves up by the pitch step.
chains = pop_chains(effects)
clean = clean_steps(effects, chains)
starts, spectra, bunched = {}, {}, set()
for chain in chains:
    for pop in chain:
        starts[pop] = onset_ms(samples, pop[0] + offset)
        spectrum = power(samples, at(starts[pop] + SKIP_MS))
        # The landing's thump and its overtones, often right under a chain's
        # first pop, lie below 200 Hz: the compared bands start above them.
        spectra[pop] = (semitone_bands(spectrum, 200, 48), band_db(spectrum, 100, 8000))
    # The log may place two pops further apart than the mixer did.
    for a, b in zip(chain, chain[1:]):
        if starts[b] - starts[a] < SKIP_MS + WINDOW_MS:
            bunched |= {a, b}
steps = []
for chain in chains:
    print("chain:", " ".join("%.1f@%d" % (p, starts[(ms, p)]) for ms, p in chain))
    assert chain[0][1] == 1.0, "a chain's first pop plays at pitch 1"
    for a, b in zip(chain, chain[1:]):
        played = 12 * math.log2(b[1] / a[1])
        heard = spectral_shift(spectra[a][0], spectra[b][0], -6, 8)
        note = " (bunched)" if {a, b} & bunched else ""
        note = " (overlapped)" if (a, b) not in clean else note
        if not note:
            steps.append((played, heard))
        print("  %.1f -> %.1f: played %+.2f semitones, heard %+.2f%s" %
              (a[1], b[1], played, heard, note))
for pop, (_, level) in sorted(spectra.items()):
    print("pop at %6.0f ms pitch %.1f: %.1f dB" % (starts[pop], pop[1], level))
matched = sum(1 for played, heard in steps if abs(heard - played) < 0.6)
print("%d of %d clean pop steps heard as played" % (matched, len(steps)))
assert sum(map(len, chains)) >= 12 and max(map(len, chains)) >= 4, "chains long enough to hear"
assert all(level > -50 for _, level in spectra.values()), "every pop sounds"
assert len(steps) >= 6, "enough pop steps free of other sounds"
assert matched >= 0.9 * len(steps), "the pitch rises pop by pop by the step it was played at"
EOF

# ---- session 3, its end: the hum and the loss ----
wait "${asides[1]}" || fail "the hum session failed" hum
asides=()
summary hum
levels hum.wav > hum.txt
levels hum.wav "sinc 2000" > hum_high.txt
python3 - hum.txt hum_high.txt hum.log <<'EOF' || fail "session 3: hum and loss" hum
import sys
from capture import requests
db = [float(x) for x in open(sys.argv[1])]
high = [float(x) for x in open(sys.argv[2])]
names = [name for _, _, name, *_ in requests(sys.argv[3])]
first = next(i for i, v in enumerate(db) if v > -80)
assert all(v < -80 for v in db[:first]), "no music with MusicVol 0"
print("requests:", names[4:])
assert names[4:] == ["woob.ogg", "explosey3.ogg"], "the loss plays its sounds and nothing else"
# The hum is a low drone; the loss, its alarm and explosion, brings the highs.
loss = next(i for i, v in enumerate(high) if v > -45)
hum = db[first:loss]
print("hum from window %d: %s dB; the loss from window %d" %
      (first, " ".join("%.0f" % v for v in hum), loss))
# The loss may begin partway into the window before the one that crosses -45 dB.
alone = high[first:loss - 1]
print("above 2 kHz meanwhile: %s dB" % " ".join("%.0f" % v for v in alone))
assert len(hum) >= 2 and all(v < -55 for v in alone), "the hum alone comes first"
# The hum starts at 75 % of the limit and rises until the meter passes it.
assert max(hum) > hum[0] + 10, "the hum rises by more than 10 dB as the meter fills"
EOF
echo "sound capture test passed"
