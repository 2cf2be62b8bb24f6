#!/usr/bin/env bash
# A full disk: the server keeps its SQLite file on a 4 MB tmpfs. Once the
# disk is full a score is refused with "fail" (a registration with "error",
# its own refusal) and nothing is lost: the server stays up and answers, the
# earlier account and score are still there, and when space returns the same
# requests succeed. Needs root to mount
# the small disk; elsewhere it says so and skips.
set -euo pipefail
source "$(dirname "$0")/server_port.bash"

build_dir=${1:?usage: full_disk.sh BUILD_DIR}
server=$build_dir/zentrix-server
proto=$build_dir/zentrix-proto
key=$build_dir/keys/server_private.pem
work=$(mktemp -d)
disk=$work/disk
server_pid=
mkdir -p "$disk"
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    [ -z "$server_pid" ] || wait "$server_pid" 2>/dev/null || true
    umount "$disk" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "full_disk: FAIL: $*" >&2
    tail -n 20 "$work/server.log" >&2 || true
    exit 1
}

if ! mount -t tmpfs -o size=4m tmpfs "$disk" 2>/dev/null; then
    echo "full_disk: a small disk cannot be mounted here (needs root); skipped"
    exit 0
fi
"$server" serve --listen 127.0.0.1:0 --db "sqlite:$disk/scores.sqlite" --key "$key" \
    --threads 2 --count-unverified-results >"$work/server.log" 2>&1 &
server_pid=$!
port=$(server_port "$work/server.log" "$server_pid") || fail "the server did not start"

ask() {
    curl -s --max-time 20 "$("$proto" encode "$1" --base "http://127.0.0.1:$port/secure.php?data=")"
}
register() {
    ask "reg.php?beta=1&username=$1&passwordHash=5ebe2294ecd0e0f08eab7690d2a6ee69&password=secret&email=$1@example.org"
}

score() {
    ask "score.php?gamemode=2&level=1&score=$1&time=60&apm=5&controls=0&drops=1&rotates=2&pup1earned=0&pup2earned=0&pup3earned=0&pup1used=0&pup2used=0&pup3used=0&kills=4&performance=4&sessionhash=20240101000000$2&userid=1&passwordHash=5ebe2294ecd0e0f08eab7690d2a6ee69"
}
best() { ask "highscore.php?gamemode=2&level=1&username=first&userid=1"; }

[[ $(register first) == success* ]] || fail "the first registration failed"
# Scores count only within a live session.
[[ $(ask "login.php?version=rc2&build=direct&platform=&username=first&password=secret&glversion=4.5&videocard=llvmpipe&manufacturer=Mesa&res=1920x1080&gameversion=1.0&os=Debian&ram=7941&cpu=Xeon&mac=02-42-AC-11-00-02") == success* ]] ||
  fail "the first login failed"
reply=$(score 1000 aaaa)
[[ $reply != fail && -n $reply ]] || fail "the first score answered \"$reply\""
best_before=$(best)
# Fill the disk to the last block.
dd if=/dev/zero of="$disk/filler" bs=64k 2>/dev/null || true
[[ $(df --output=avail "$disk" | tail -n 1 | tr -d ' ') -eq 0 ]] || fail "the disk is not full"

reply=$(score 2000 bbbb)
[[ $reply == fail ]] || fail "a score on a full disk answered \"$reply\""
reply=$(register second)
[[ $reply == error ]] || fail "a registration on a full disk answered \"$reply\""
kill -0 "$server_pid" 2>/dev/null || fail "the server died on a full disk"
[[ $(ask "checkname.php?username=first") == unavailable ]] || fail "the first account was lost"
[[ $(best) == "$best_before" ]] || fail "the personal best changed on a full disk: $(best)"

rm -f "$disk/filler"
reply=$(score 2000 bbbb)
[[ $reply != fail && -n $reply ]] || fail "after space returned the score answered \"$reply\""
reply=$(register second)
[[ $reply == success* ]] || fail "after space returned the registration answered \"$reply\""
[[ $(ask "checkname.php?username=first") == unavailable ]] || fail "the first account was lost"
[[ $(best) != "$best_before" ]] || fail "the score sent after space returned was not kept"
echo "full_disk: refused while full, nothing lost, accepted once space returned"
