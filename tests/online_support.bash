# Shared by the online end-to-end tests: a private server on a free loopback
# port with a fresh SQLite file, and the game under its own virtual screen.
build=$(cd "$1" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
  # SHOTS_DIR=DIR keeps the screenshots of a passing run too, to look at.
  [[ -z ${SHOTS_DIR:-} ]] || { mkdir -p "$SHOTS_DIR" && cp -f "$work"/*.png "$SHOTS_DIR"/ 2>/dev/null; } || true
  [[ -z $server_pid ]] || kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
# A copy named after the test and this shell: a running copy of the same file
# name counts as an older instance and is waited for, then ended.
game_copy=$work/zentrix-$(basename "$0" .sh)-$$
cp "$build/zentrix" "$game_copy"
ln -s "$build/data" "$work/data"
export XDG_DATA_HOME="$work/xdg"
key=$build/keys/server_private.pem
db=sqlite:$work/server.sqlite

# A command that ends the test under set -e names itself instead of ending it silently.
set -E
trap 'echo "FAIL: line $LINENO: \"$BASH_COMMAND\" exited with $?"' ERR

fail() {
  mkdir -p "${SHOTS_DIR:-/tmp/online-shots}" && cp -f ./*.png "${SHOTS_DIR:-/tmp/online-shots}"/ 2>/dev/null || true
  echo "FAIL: $*"
  echo "--- console.log"; tail -n 40 console.log 2>/dev/null || true
  echo "--- server.log"; tail -n 20 server.log 2>/dev/null || true
  exit 1
}

# Starts the server on a free port with any further server options given;
# sets server_pid and port. Only the lines this start adds to server.log
# count: after a restart the old "listening" line must not pass for the new.
start_server() {
  local earlier
  earlier=$({ wc -l < server.log; } 2>/dev/null || echo 0)
  "$build/zentrix-server" serve --listen 127.0.0.1:0 --db "$db" --key "$key" \
    --patch-dir "$work/patches" --threads 2 "$@" >>server.log 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(tail -n +"$((earlier + 1))" server.log |
      sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' | tail -1)
    [[ -z $port ]] || return 0
    kill -0 "$server_pid" 2>/dev/null || fail "the server did not start"
    sleep 0.1
  done
  fail "the server did not report its port"
}

stop_server() {
  kill "$server_pid" && wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# scaled_seconds SECONDS: a time limit measured on a quiet machine, stretched
# by how much slower this one runs now: by the load per core where that is
# above one, and twice more in the sanitizer build. A limit only ends a run
# that has stopped making progress; a passing one never waits it out.
sanitized=0
! grep -qs '^ZENTRIX_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" || sanitized=1
scaled_seconds() {
  local load
  read -r load _ < /proc/loadavg
  awk -v seconds="$1" -v load="$load" -v cores="$(nproc)" -v sanitized="$sanitized" \
    'BEGIN { f = load / cores; if (f < 1) f = 1; if (sanitized) f *= 2; printf "%d", seconds * f + 0.5 }'
}

# hang_guard_seconds [options...]: how long a game started with these options
# may run before it counts as hung. Every run ends itself after its --frames
# count, so the guard counts frames too: a quarter of a second each, several
# times what a sanitized build on a loaded machine needs, never under 120 s
# scaled to the machine's present speed.
hang_guard_seconds() {
  local frames=0
  while (($#)); do
    [[ $1 != --frames ]] || frames=${2:-0}
    shift
  done
  local seconds=$((frames / 4)) least
  least=$(scaled_seconds 120)
  echo $((seconds > least ? seconds : least))
}

# run_game SCRIPT [options...]: the game at 1280x720 with the test's settings folder.
run_game() {
  local script=$1; shift
  # The time-out is inside xvfb-run, so it ends the game itself, not just the X server.
  xvfb-run -a -s "-screen 0 1920x1080x24" timeout "$(hang_guard_seconds "$@")" "$game_copy" --windowed 1280x720 \
    --no-dialogs --config-dir "$work/cfg" --fixed-step 16 --seed 3 --script "$script" \
    --server "http://127.0.0.1:$port" "$@"
}

# play_ranked_casual SCRIPT: a new ranked game of Casual level 1 played by the
# autoplay bot, then SCRIPT's lines; a 60 ms step clears the level in about 800 frames.
play_ranked_casual() {
  local start=$SECONDS
  run_game "$1" --start ranked:casual:1 --autoplay --fixed-step 60 --frames 4000 ||
    fail "exit code $?"
  echo "the ranked run took $((SECONDS - start)) s"
}

# Lines "FRAME key C" typing TEXT from FRAME on, one key every second frame.
type_text() {
  local frame=$1 text=$2 i
  for ((i = 0; i < ${#text}; i++)); do echo "$((frame + 2 * i)) key ${text:i:1}"; done
}

# The account line tesseract reads at the top right of a 1280x720 screenshot,
# blanks removed: one reading per crop, joined by '|'. Stars behind the small
# print throw single readings off, so the line counts as shown when any reads it.
read_corner() {
  local geometry
  for geometry in 200x18+1080+0 160x18+1120+0 110x18+1170+0; do
    convert "$1" -crop "$geometry" -resize 300% -colorspace Gray -negate corner.png
    printf '%s|' "$(tesseract corner.png - --psm 7 2>/dev/null | tr -d ' \n')"
  done
}

# At this size the font's 1, l and I are one stroke to OCR, so they compare equal.
shows_account_line() {
  local seen
  seen=$(read_corner "$1" | tr 'lI' '11')
  [[ $seen == *"$(tr 'lI' '11' <<<"$2")"* ]]
}

# QUERY as a plain request through the secure endpoint, as any client could send it.
secure_request() {
  curl -sS --max-time 30 \
    "$("$build/zentrix-proto" encode "$1" --base "http://127.0.0.1:$port/secure.php?data=")"
}

# Registers NAME with PASSWORD on the running server and stores the account
# in the test's settings, as a finished CreateAcc would.
register_account() {
  local name=$1 password=$2 digest reply
  digest=$(printf '%s' "$password" | md5sum | cut -d' ' -f1)
  reply=$(secure_request \
    "reg.php?beta=1&username=$name&passwordHash=$digest&password=$password&email=$name@example.org")
  [[ $reply == success\ * ]] || fail "registration answered '$reply'"
  write_settings "Username=$name" "Password=${reply#success }"
}

# The settings a first run on this software renderer would choose for itself
# (Low quality, no multisampling): a settings file written by a test is no
# first run, and at the default quality every frame would take a second.
software_rendering_settings() {
  mkdir -p cfg
  printf 'VisualQuality=1\nAAlevel=0\nMotionBlur=0\n' >> cfg/settings.ini
}

# write_settings LINE...: a stored profile with these lines, drawn as a
# software renderer's first run would choose.
write_settings() {
  mkdir -p cfg
  printf '%s\n' "$@" > cfg/settings.ini
  software_rendering_settings
}

# ---- scripts and readings of the score screens (1280x720) ----

# m, the menu font's line height at 720 lines; rows and lines sit at H/2 + 2 m k.
menu_m=$(awk 'BEGIN { print 720 / 1050 * 55 * 0.5 }')
# The y of menu row (or score-screen line) k, and of its hover rectangle.
line_y() { awk -v k="$1" -v m="$menu_m" 'BEGIN { printf "%d", 360 + 2 * m * k }'; }
row_y() { awk -v k="$1" -v m="$menu_m" 'BEGIN { printf "%d", 360 + 2 * m * k - m / 2.75 }'; }

# Script lines clicking at (X, Y), AT being an anchored frame such as "Menu#2+20".
click_at() {
  local anchor=${1%+*} frame=${1##*+}
  echo "$anchor+$frame move $2 $3"
  echo "$anchor+$((frame + 2)) ldown"
  echo "$anchor+$((frame + 3)) lup"
}

# What tesseract reads in one line of IMAGE cropped to GEOMETRY (WxH+X+Y);
# a third argument keeps only what is brighter than that share (for white
# text on a busy sky).
read_line() {
  convert "$1" -crop "$2" -resize 300% -colorspace Gray ${3:+-threshold "$3"} -negate line.png
  tesseract line.png - --psm 7 2>/dev/null | tr -s ' \n' ' '
}

# Pixels of IMAGE inside GEOMETRY near the colour R,G,B (each channel within 40).
colour_pixels() {
  convert "$1" -crop "$2" +repage \
    -fx "abs(r*255-$3)<40 && abs(g*255-$4)<40 && abs(b*255-$5)<40 ? 1 : 0" \
    -format '%[fx:round(mean*w*h)]' info:
}

# The user id of account NAME in the server's database.
user_id_of() { sqlite3 "$work/server.sqlite" "select id from users where name = '$1'"; }

# Bright blobs of IMAGE wider than a star: pixels left after eroding the
# bright parts by a disk of radius 5, the picture band and the texts blanked.
firework_pixels() {
  convert "$1" -colorspace Gray -threshold 75% \
    -region 1280x125+0+300 -fill black -colorize 100 +region \
    -region 1280x70+0+465 -fill black -colorize 100 +region \
    -morphology Erode Disk:5 -format '%[fx:round(mean*w*h)]' info:
}
