#!/usr/bin/env bash
# A signed patch published on the server is offered at login, downloaded,
# verified and started, and the game quits; a patch whose bytes or signature
# were altered after publishing is downloaded again and never started.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

start_server
register_account patcher secret9
mkdir -p patches
printf '#!/bin/sh\necho patched > "%s/patched.marker"\n' "$work" > patch.sh
"$build/zentrix-server" patch publish patch.sh --min-version 2.0 --db "$db" \
  --patch-dir "$work/patches" --key "$key" >>server.log 2>&1 || fail "publish"

# The game quits by itself once the patch runs; --frames only bounds a failure.
printf '1 move 10 10\n' > none.txt
run_game none.txt --frames 900 || fail "exit code $?"
for _ in $(seq 20); do [[ -f patched.marker ]] && break; sleep 0.1; done
[[ -f patched.marker ]] || fail "the patch did not run"
cmp -s patch.sh "$XDG_DATA_HOME/Brisko Game Studios/Zentrix/Patch/Zentrix_patch" ||
  fail "the written patch differs from the published one"
grep -q '^update patches/patch.sh ' console.log || fail "no update offer logged"

# Altered bytes: the digest no longer matches.
rm -f patched.marker
printf '\n# altered\n' >> patches/patch.sh
run_game none.txt --frames 420 || fail "exit code $?"
[[ ! -f patched.marker ]] || fail "an altered patch was started"
[[ $(grep -c 'Patch digest does not match' console.log) -ge 2 ]] ||
  fail "the altered patch was not downloaded again"

# Original bytes, forged signature: the digest matches but nothing starts.
cp patch.sh patches/patch.sh
head -c 128 /dev/urandom > patches/patch.sh.sig
cmp -s patch.sh patches/patch.sh || fail "could not restore the published bytes"
run_game none.txt --frames 400 || fail "exit code $?"
[[ ! -f patched.marker ]] || fail "a patch with a forged signature was started"
grep -q 'Patch signature does not verify' console.log || fail "the signature was not checked"
echo "online patch test passed"
