#!/usr/bin/env bash
# A new player types into the account screens with real X key events while
# the game takes one event a frame: capitals and "@" typed with Shift at 30 ms
# a key survive frames far slower than the keys, a 12-character name fits the
# field whole, and an address pasted with Ctrl+V or Shift+Insert arrives as
# it was copied. Each account is checked where it lands: the real server.
set -euo pipefail
tests=$(cd "$(dirname "$0")" && pwd)
source "$tests/online_support.bash"
source "$tests/real_input_support.bash"

start_server
start_display
software_rendering_settings

# Row -1 of the account screens (the step's title) at 1280x720.
title_line=700x50+290+290

# create_account NAME PASSWORD ENTER_EMAIL...: from the e-mail step to the
# menu; ENTER_EMAIL is the command that puts the address into its field.
create_account() {
  local name=$1 password=$2; shift 2
  rm -f console.log
  echo "CreateAcc+30 shot $work/email_step.png" > script.txt
  launch_game script.txt
  wait_for_log "Screenshot $work/email_step.png" 180
  focus_game
  "$@"
  xdotool key Return
  wait_for_screen "$title_line" "New Player Name" 60
  # Shift goes up 30 ms after each capital; the game is held meanwhile, so
  # every key waits behind what a 10 frame-a-second renderer would show.
  hold_game xdotool type --delay 30 "$name"
  xdotool key Return
  wait_for_screen "$title_line" "New Password" 60
  xdotool type --delay 30 "$password"
  xdotool key Return
  wait_for_screen "$title_line" "Retype Password" 60
  xdotool type --delay 30 "$password"
  xdotool key Return
  for _ in $(seq 300); do
    grep -q '^success [0-9]' console.log 2>/dev/null && break
    sleep 0.1
  done
  grep -q '^success [0-9]' console.log || fail "$name never logged in"
  kill "$game_pid"; wait "$game_pid" 2>/dev/null || true
  game_pid=
}

account_row() { sqlite3 "$work/server.sqlite" "select name || ' ' || email from users where name = '$1'"; }

# 1. Typed: Shift+2 gives "@" on the e-mail step, capitals stay capitals.
typed_email() { hold_game xdotool type --delay 30 "Jo.Doe_7@Mail-Host.org"; }
create_account "QuickBrownFx" "Secret99" typed_email
[[ $(account_row QuickBrownFx) == "QuickBrownFx Jo.Doe_7@Mail-Host.org" ]] ||
  fail "the server holds '$(sqlite3 "$work/server.sqlite" 'select name, email from users')'"

# 2. Pasted with Ctrl+V over a half-typed address: the paste replaces it; the
#    blank and the "+" no key could type are left out, as typing would.
rm -f cfg/settings.ini; software_rendering_settings
set_clipboard " Paste.Me+x@Mail-Host.net"
pasted_email() { xdotool type --delay 30 "wrong"; xdotool key ctrl+v; }
create_account "PastedEmail1" "Secret99" pasted_email
[[ $(account_row PastedEmail1) == "PastedEmail1 Paste.Mex@Mail-Host.net" ]] ||
  fail "the pasted address arrived as '$(account_row PastedEmail1)'"

# 3. Shift+Insert pastes too.
rm -f cfg/settings.ini; software_rendering_settings
shift_insert_email() { xdotool key shift+Insert; }
create_account "ShiftInsert2" "Secret99" shift_insert_email
[[ $(account_row ShiftInsert2) == "ShiftInsert2 Paste.Mex@Mail-Host.net" ]] ||
  fail "Shift+Insert gave '$(account_row ShiftInsert2)'"
echo "typing with real keys passed"
