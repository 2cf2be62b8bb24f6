#!/usr/bin/env bash
# The tenth level of a ranked Classic run, cleared at once (--clear-level):
# the congratulations come with fireworks, a click leads on to the score
# screen of level 10, and the server holds the result (pending: the level
# was emptied outside the rules, so its replay does not verify).
set -euo pipefail
source "$(dirname "$0")/online_support.bash"

start_server
register_account champion secret9
{
  # Faded in, and the first rocket (launched at 500 ms) still below the view.
  echo "Grats+45 shot $work/grats0.png"
  for frame in 120 170 220 270; do echo "Grats+$frame shot $work/grats$frame.png"; done
  click_at "Grats+280" 640 360
  # The click left the pointer mid-screen, near the lines read below.
  echo "ScoreScreen+30 move 1200 660"
  echo "ScoreScreen+40 shot $work/grats_score.png"
  echo "ScoreScreen+42 quit"
} > grats.txt
start=$SECONDS
run_game grats.txt --start ranked:casual:10 --clear-level --frames 3000 || fail "exit code $?"
echo "the level 10 run took $((SECONDS - start)) s"
[[ -f grats_score.png ]] || fail "the run never reached the score screen after the congratulations"

# A star behind a letter can throw one reading off: the line counts as shown
# when it reads right at any of three brightness thresholds.
readings=
for threshold in 70% 80% 60%; do
  readings+="$(read_line grats0.png 700x28+290+$((490 - 10)) $threshold)|"
done
[[ $readings == *"completed classic mode"* ]] || fail "the congratulations read '$readings'"
before=$(firework_pixels grats0.png)
most=0
for frame in 120 170 220 270; do
  seen=$(firework_pixels "grats$frame.png")
  ((seen > most)) && most=$seen
done
[[ $before -lt 50 && $most -gt 300 ]] ||
  fail "no fireworks: $before bright pixels before the first burst, at most $most after"

# The title, like the congratulations, at three thresholds: one reading
# now and then takes the L of "Level" for a C.
title=
for threshold in "" 70% 60%; do
  title+="$(read_line grats_score.png 400x28+440+$(($(line_y -3.5) - 21)) $threshold)|"
done
rank=$(read_line grats_score.png 640x26+320+$(($(line_y 2) - 20)))
[[ $title == *"Level: 10"* ]] || fail "the score screen's title reads '$title'"
[[ $rank == *"Casual Rank:"*"#1"* ]] || fail "rank line reads '$rank'"
id=$(user_id_of champion)
# The result is held; emptied by --clear-level, not by play, it never verifies,
# so it stays pending and enters no best.
[[ $(sqlite3 server.sqlite "select count(*) from results where user_id = $id and kind = 1 and mode = 1 and level = 10") == 1 ]] ||
  fail "the server holds no level 10 result"
[[ $(sqlite3 server.sqlite "select count(*) from bests where user_id = $id and level = 10") == 0 ]] ||
  fail "a level emptied outside the rules counts as a best"
echo "online grats test passed"
