#!/usr/bin/env bash
# The news our server holds reaches the main menu: a stored account logs in,
# the login reply announces news, the game fetches news.php and the menu's
# news window shows its text (read back with tesseract). Without news on the
# server the menu shows no news window. Offline play (--offline) keeps the
# stored account and sends the server nothing, not even a logout.
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

news="Season two starts Friday"
"$build/zentrix-server" news set "$news" --db "$db" >>server.log 2>&1 || fail "news set"
start_server
register_account newsreader secret9
printf '520 shot %s/menu_news.png\n530 quit\n' "$work" > news.txt
run_game news.txt || fail "exit code $?"
grep -q '^success [0-9]* (session token) (password blob) ' console.log ||
  fail "console.log lacks the login reply without its token"
! grep -q '^success [0-9]* [0-9a-f]\{32\}' console.log || fail "console.log holds the session token"
blob=$(sed -n 's/^Password=//p' cfg/settings.ini)
! grep -qF "$blob" console.log || fail "console.log holds the password blob"

# The news window (0.3 H wide at 0.01 H from the left, centred vertically):
# its heading stands on y = 218 at 720 lines, the first line of news on 234.
heading=$(read_line menu_news.png 180x16+18+206)
line=$(read_line menu_news.png 180x16+18+222)
echo "the news window reads: '$heading' / '$line'"
[[ $heading == *News* ]] || fail "no news heading in the window: '$heading'"
# OCR of this small print may misread a letter: three words of four suffice.
read_words=0
for word in $news; do [[ $line == *"$word"* ]] && read_words=$((read_words + 1)); done
(( read_words >= 3 )) || fail "the news window shows '$line', not '$news'"

# With no news on the server the window is not drawn: the left edge shows
# the backdrop only, far fewer bright pixels than the window's text.
text_pixels=$(convert menu_news.png -crop 200x300+10+200 -colorspace Gray -threshold 80% \
  -format '%[fx:round(mean*w*h)]' info:)
stop_server
"$build/zentrix-server" news set "" --db "$db" >>server.log 2>&1 || fail "news clear"
start_server
printf '520 shot %s/menu_plain.png\n530 quit\n' "$work" > plain.txt
run_game plain.txt || fail "exit code $?"
plain_pixels=$(convert menu_plain.png -crop 200x300+10+200 -colorspace Gray -threshold 80% \
  -format '%[fx:round(mean*w*h)]' info:)
echo "bright pixels in the news window: $text_pixels with news, $plain_pixels without"
(( text_pixels > 4 * plain_pixels + 100 )) || fail "the news window shows without news"

# --offline: the stored account stays in the settings and nothing is sent.
requests() { curl -s "http://127.0.0.1:$port/metrics" | awk '/^zentrix_http_requests_total/ { n += $2 } END { print n + 0 }'; }
# Two readings in a row tell what one reading adds by itself.
first=$(requests)
before=$(requests)
saved=$(grep -E '^(Username|Password)=' cfg/settings.ini)
printf '360 shot %s/offline.png\n370 quit\n' "$work" > offline.txt
run_game offline.txt --offline || fail "offline exit code $?"
after=$(requests)
[[ $(grep -E '^(Username|Password)=' cfg/settings.ini) == "$saved" ]] ||
  fail "offline play changed the stored account: $(grep -E '^(Username|Password)=' cfg/settings.ini)"
(( after - before == before - first )) ||
  fail "offline play sent $((after - before - (before - first))) requests"
echo "online news test passed"
