#!/usr/bin/env bash
# With the server gone: a stored account tries four times, then offers
# offline play and sends nothing more but the logout; with no stored account
# the intro's connection test fails and Login opens at its offline step.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

write_settings Username=tester1 Password=
port=1  # nothing listens there
# The offline step's first button is row 3 below the centre: y = 360 + 2 * 3 * m.
printf '330 shot %s/offline.png\n340 move 640 467\n350 ldown\n352 lup\n450 shot %s/menu.png\n460 quit\n' \
  "$work" "$work" > offline.txt
run_game offline.txt || fail "exit code $?"
[[ $(wc -l <urls.txt) -eq 4 ]] || fail "$(wc -l <urls.txt) login transfers, not 4"
grep -c "Couldn't connect" urls.txt | grep -qx 4 || fail "urls.txt: $(cat urls.txt)"
shows_account_line menu.png "OfflineMode" || fail "the menu shows '$(read_corner menu.png)'"

# No stored account: straight to the offline step.
rm -f urls.txt
write_settings Username= Password=
printf '340 shot %s/intro_offline.png\n350 quit\n' "$work" > fresh.txt
run_game fresh.txt || fail "exit code $?"
[[ ! -s urls.txt ]] || fail "nothing should be queued: $(cat urls.txt)"
convert intro_offline.png -crop 700x60+290+290 -resize 200% -colorspace Gray -negate line.png
seen=$(tesseract line.png - --psm 7 2>/dev/null)
[[ $seen == *"Unable to"*"game server."* ]] || fail "no offline step: '$seen'"
echo "online offline test passed"
