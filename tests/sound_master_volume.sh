#!/usr/bin/env bash
# The master volume and the mute key, heard in what the game really plays
# (OpenAL Soft's wave back end): the music at master volume 5 is about 6 dB
# below the same music at 10; the M key silences everything from the moment
# it is pressed and the choice is saved, so the next start is silent too.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game=0
cleanup() {
  if ((game > 0)); then kill -TERM "$game" 2>/dev/null || true; wait "$game" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
fail() {
  echo "FAIL: $*"
  tail -20 "$work"/*/console.log 2>/dev/null || true
  exit 1
}
[[ -f "$build/data/assets.ass" ]] || fail "no asset archive in $build/data"
cp "$build/zentrix" "zentrix-volume-$$"

# session NAME SECONDS [game options...]: plays Normal level 1 with the bot and
# the effects off (only the music sounds) for SECONDS, recording NAME.wav.
session() {
  local name=$1 seconds=$2
  shift 2
  mkdir -p "$name/cfg"
  ln -sf "$build/data" "$name/data"
  printf '[general]\ndrivers=wave\nfrequency=44100\n[wave]\nfile=%s\n' "$work/$name.wav" > "$name/alsoft.conf"
  (
    cd "$name"
    ALSOFT_CONF="$work/$name/alsoft.conf" exec xvfb-run -a -s "-screen 0 640x480x24" \
      "$work/zentrix-volume-$$" --windowed 320x240 --no-dialogs --offline \
      --config-dir "$work/$name/cfg" --seed 3 --start normal:1 --autoplay \
      --sound-log "$work/$name.log" "$@" > game.out 2>&1
  ) &
  game=$!
  # Start-up takes its own time on a busy machine: the clock starts with the first sound asked for.
  for _ in $(seq 1200); do grep -q ogg "$name.log" 2>/dev/null && break; sleep 0.1; done
  grep -q ogg "$name.log" 2>/dev/null || fail "session $name played nothing within 120 s"
  sleep "$seconds"
  # The game itself (not xvfb-run) gets SIGTERM: it quits and closes the recording.
  local p
  for p in $(pgrep -f -- "--config-dir $work/$name/cfg" || true); do
    [[ $(readlink "/proc/$p/exe" 2>/dev/null) == "$work/zentrix-volume-$$" ]] && kill -TERM "$p"
  done
  wait "$game" || fail "session $name ended with code $?"
  game=0
  [[ -s $name.wav ]] || fail "session $name recorded nothing"
  rm -f "$name.log"
}

# Settings with every tutorial card seen, fast visuals, no effects, plus the lines given.
settings() {
  local name=$1
  shift
  mkdir -p "$name/cfg"
  {
    for flag in Control Combo ComboNow Color Zent Pup Rush Survival Meditation; do echo "Tute$flag=1"; done
    printf 'VisualQuality=1\nSoundVol=0\n'
    printf '%s\n' "$@"
  } > "$name/cfg/settings.ini"
}

# RMS level in dB of the left channel from FROM seconds after the first sound,
# for LENGTH seconds; -120 for digital silence.
level_after_start() {
  sox "$1.wav" -t raw -e floating-point -b 32 -c 1 - remix 1 2>/dev/null | python3 -c '
import array, math, sys
a = array.array("f"); a.frombytes(sys.stdin.buffer.read())
start = next((i for i, x in enumerate(a) if x != 0.0), None)
if start is None:
    print(-120.0); sys.exit()
lo = start + int(float(sys.argv[1]) * 44100); hi = lo + int(float(sys.argv[2]) * 44100)
part = a[lo:hi]
if len(part) < 44100:
    print("short"); sys.exit()
s = sum(x * x for x in part) / len(part)
print("%.1f" % (-120.0 if s == 0 else 10 * math.log10(s)))' "$2" "$3"
}

settings full "MasterVol=10"
session full 8
settings half "MasterVol=5"
session half 8
full_db=$(level_after_start full 2 5)
half_db=$(level_after_start half 2 5)
echo "music at master volume 10: $full_db dB, at 5: $half_db dB"
[[ $full_db != short && $half_db != short ]] || fail "a recording is too short to measure"
python3 -c 'import sys; d = float(sys.argv[1]) - float(sys.argv[2]); print("difference %.1f dB" % d); sys.exit(not (3.5 <= d <= 8.5))' \
  "$full_db" "$half_db" || fail "master volume 5 is not about 6 dB below 10"
(( $(echo "$full_db > -40" | bc) )) || fail "no music at master volume 10"

# The M key, pressed a little after the start, mutes everything from then on.
settings mute "MasterVol=10"
echo "Game#1+150 key m" > mute.txt
session mute 10 --script "$work/mute.txt"
grep -q "Sound muted" mute/console.log || fail "the M key did not reach the game"
# The same session without the key ("full") had music throughout: the silence
# below is the key's doing. (How many frames pass before the music starts
# depends on the machine's speed, so the time before the key is not measured.)
grep -q '^Mute=1' mute/cfg/settings.ini || fail "the mute was not saved"
tail_db=$(sox mute.wav -n trim -3 stats 2>&1 | awk '/RMS lev dB/ {print $4}')
echo "the last 3 s after M: RMS $tail_db dB"
[[ $tail_db == -inf ]] || fail "sound went on after the M key ($tail_db dB)"
# The next start reads the saved mute: nothing sounds at all.
session mute 5
all_db=$(sox mute.wav -n stats 2>&1 | awk '/RMS lev dB/ {print $4}')
echo "a start with Mute=1 saved: RMS $all_db dB"
[[ $all_db == -inf ]] || fail "a muted start played sound ($all_db dB)"
echo "master volume test passed"
