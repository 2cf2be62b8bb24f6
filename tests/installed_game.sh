#!/usr/bin/env bash
# The game installed into a temporary prefix: started from an unrelated
# folder it finds its archive under the prefix, writes its logs into the
# state folder and nothing into the folder it was started from; the desktop
# entry and the AppStream data validate; every program answers --help and
# --version and refuses an unknown option with status 2.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/zentrix bin/zentrix-server bin/zentrix-proto share/zentrix/assets.ass \
            share/applications/org.brisko.Zentrix.desktop \
            share/metainfo/org.brisko.Zentrix.metainfo.xml \
            share/icons/hicolor/scalable/apps/zentrix.svg \
            share/man/man6/zentrix.6.gz share/man/man8/zentrix-server.8.gz \
            share/doc/zentrix/copyright share/doc/zentrix/credits.txt \
            share/doc/zentrix/Jura-LICENSE.txt share/doc/zentrix/LiberationSans-LICENSE.txt \
            etc/zentrix/server.conf lib/systemd/system/zentrix-server.service; do
  [[ -s "$prefix/$file" ]] || fail "$file not installed"
done
for size in 16 22 24 32 48 64 128 256 512; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/zentrix.png"
  [[ $(identify -format '%wx%h' "$icon") == "${size}x${size}" ]] || fail "icon $size"
done
# The icon is drawn, not empty: its pixels vary.
[[ $(identify -format '%[fx:standard_deviation>0.05]' "$prefix/share/icons/hicolor/64x64/apps/zentrix.png") == 1 ]] ||
  fail "64 px icon is flat"
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/zentrix.svg" || fail "svg icon"

desktop-file-validate "$prefix/share/applications/org.brisko.Zentrix.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/org.brisko.Zentrix.metainfo.xml" ||
  fail "metainfo"
for page in man6/zentrix.6.gz man8/zentrix-server.8.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$prefix/share/man/$page" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "$page: $warnings"
done

for program in zentrix zentrix-server zentrix-proto; do
  "$prefix/bin/$program" --help | grep -q "^Usage: $program" || fail "$program --help"
  [[ $("$prefix/bin/$program" --version | head -1) == "$program 1.0.0.0" ]] || fail "$program --version"
  status=0
  "$prefix/bin/$program" encode x --no-such-option 1 2>"$work/err" >/dev/null || status=$?
  [[ $status -eq 2 ]] || fail "$program: unknown option gives $status"
  grep -q "Try '$program --help'" "$work/err" || fail "$program: no usage line"
done

# A private copy under the prefix, so no other running game counts as an older copy.
cp "$prefix/bin/zentrix" "$prefix/bin/zentrix-installed"
mkdir "$work/elsewhere" "$work/state"
printf '60 shot shot.png\n' > "$work/elsewhere/script.txt"
(cd "$work/elsewhere" && XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" \
  xvfb-run -a -s "-screen 0 1280x720x24" "$prefix/bin/zentrix-installed" --windowed 640x360 \
  --no-dialogs --offline --frames 80 --script script.txt --seed 3) || fail "exit code $?"

log="$work/state/zentrix/console.log"
[[ -s "$log" ]] || fail "no console.log in the state folder"
[[ -f "$work/state/zentrix/trace.log" ]] || fail "no trace.log in the state folder"
grep -q "Starting main loop" "$log" || fail "console.log lacks the main loop"
grep -q "AssPack headers loaded" "$log" && ! grep -q "gzopen failed" "$log" ||
  fail "the archive was not found"
# A relative screenshot path stays relative to where the player started the game.
[[ $(identify -format '%wx%h' "$work/elsewhere/shot.png") == 640x360 ]] || fail "screenshot"
leftovers=$(ls "$work/elsewhere" | grep -v -x -e script.txt -e shot.png || true)
[[ -z "$leftovers" ]] || fail "files written where the game started: $leftovers"
echo "installed game: OK"
