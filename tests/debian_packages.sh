#!/usr/bin/env bash
# The Debian packages made from this build: two of them, lintian finds no
# error, each holds what it should where Debian wants it (the archive and
# icons in the game's, the unit and its conffile in the server's), the
# dependencies come from the programs' libraries, and systemd accepts the unit.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$work" >/dev/null) || fail "cpack"
game=$(ls "$work"/zentrix_*.deb) && server=$(ls "$work"/zentrix-server_*.deb) || fail "packages missing"
lintian --allow-root --fail-on error "$game" "$server" || fail "lintian errors"

dpkg-deb --contents "$game" | awk '{print $6}' >"$work/game.txt"
dpkg-deb --contents "$server" | awk '{print $6}' >"$work/server.txt"
for path in ./usr/bin/zentrix ./usr/bin/zentrix-proto ./usr/games/zentrix ./usr/share/zentrix/assets.ass \
            ./usr/share/applications/org.brisko.Zentrix.desktop \
            ./usr/share/metainfo/org.brisko.Zentrix.metainfo.xml \
            ./usr/share/icons/hicolor/512x512/apps/zentrix.png \
            ./usr/share/icons/hicolor/scalable/apps/zentrix.svg ./usr/share/man/man6/zentrix.6.gz \
            ./usr/share/doc/zentrix/copyright ./usr/share/doc/zentrix/credits.txt; do
  grep -qx "$path" "$work/game.txt" || fail "game package lacks $path"
done
for path in ./usr/bin/zentrix-server ./usr/bin/zentrix-replay-check ./etc/zentrix/server.conf ./lib/systemd/system/zentrix-server.service \
            ./usr/share/man/man8/zentrix-server.8.gz ./usr/share/doc/zentrix-server/copyright; do
  grep -qx "$path" "$work/server.txt" || fail "server package lacks $path"
done
! grep -q zentrix-server "$work/game.txt" || fail "the server is in the game's package"
! grep -q "/usr/local" "$work/game.txt" "$work/server.txt" || fail "files under /usr/local"

depends=$(dpkg-deb --field "$game" Depends)
for library in libsdl2 libopenal1 libfreetype6 zlib1g libssl3; do
  [[ $depends == *"$library"* ]] || fail "game depends lack $library: $depends"
done
[[ $(dpkg-deb --field "$server" Depends) == *libmicrohttpd* ]] || fail "server depends"
dpkg-deb --ctrl-tarfile "$server" | tar -xO ./conffiles | grep -qx /etc/zentrix/server.conf ||
  fail "server.conf is not a conffile"

# systemd checks the unit's options; only the program itself is absent here
# (it is there once the package is installed).
dpkg-deb -x "$server" "$work/root"
unit="$work/root/lib/systemd/system/zentrix-server.service"
complaints=$(systemd-analyze verify --man=no "$unit" 2>&1 |
  grep -v "Command /usr/bin/zentrix-server is not executable" || true)
[[ -z "$complaints" ]] || fail "systemd-analyze: $complaints"
echo "debian packages: OK"
