#!/usr/bin/env bash
# A new player creates an account at the CreateAcc screen against our server,
# reaches the menu logged in, logs in by itself on the next run, and every
# exit logs out.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

start_server
# From the intro to CreateAcc takes about 300 frames; the steps then type in turn.
{
  echo "320 shot $work/create.png"
  # "ab@c.io": Shift and 2 in one frame type the "@".
  type_text 330 "ab" ; echo "334 key shift" ; echo "334 key 2" ; type_text 336 "c"
  echo "338 key period" ; type_text 340 "io" ; echo "346 key enter"
  echo "362 shot $work/name.png"
  type_text 352 "tester1" ; echo "368 key enter"
  type_text 380 "secret9" ; echo "396 key enter"
  type_text 402 "secret9" ; echo "418 key enter"
  echo "560 shot $work/menu.png"
  echo "570 quit"
} > create.txt
run_game create.txt || fail "first run exit code $?"

sqlite3 "$work/server.sqlite" "select name from users" | grep -qx tester1 ||
  fail "the server holds no account tester1"
grep -qx 'Username=tester1' cfg/settings.ini || fail "settings.ini lacks the user name"
grep -q '^Password=.' cfg/settings.ini || fail "settings.ini lacks the password blob"
grep -q '^success [0-9]* (session token) (password blob) ' console.log ||
  fail "console.log lacks the login reply"
! grep -q '^success [0-9]* [0-9a-f]\{32\}' console.log || fail "console.log holds the session token"
shows_account_line menu.png "Loggedinas:tester1" ||
  fail "the menu shows '$(read_corner menu.png)', not 'Logged in as: tester1'"
[[ $(wc -l <urls.txt) -ge 2 ]] || fail "urls.txt should list the login and sync transfers"

# The stored account logs in by itself; quitting ends its session.
printf '450 shot %s/again.png\n460 quit\n' "$work" > again.txt
run_game again.txt || fail "second run exit code $?"
grep -c '^success ' console.log | grep -qx 1 || fail "the second run did not log in"
shows_account_line again.png "Loggedinas:tester1" || fail "second run shows '$(read_corner again.png)'"
open=$(sqlite3 "$work/server.sqlite" "select count(*) from sessions")
[[ $open == 0 ]] || fail "$open sessions still open after both runs logged out"
echo "online account test passed"
