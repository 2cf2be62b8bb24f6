# Shared by the online end-to-end tests: a private server on a free loopback
# port with a fresh SQLite file, and the game under its own virtual screen.
build=$(cd "$1" && pwd)
work=$(mktemp -d)
server_pid=
cleanup() {
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

fail() {
  mkdir -p /tmp/online-shots && cp -f ./*.png /tmp/online-shots/ 2>/dev/null || true
  echo "FAIL: $*"
  echo "--- console.log"; tail -n 40 console.log 2>/dev/null || true
  echo "--- server.log"; tail -n 20 server.log 2>/dev/null || true
  exit 1
}

# Starts the server (again on the same port when one is known); sets server_pid and port.
start_server() {
  "$build/zentrix-server" serve --listen "127.0.0.1:${port:-0}" --db "$db" --key "$key" \
    --patch-dir "$work/patches" --threads 2 >>server.log 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' server.log | tail -1)
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

# run_game SCRIPT [options...]: the game at 1280x720 with the test's settings folder.
run_game() {
  local script=$1; shift
  timeout 120 xvfb-run -a -s "-screen 0 1920x1080x24" "$game_copy" --windowed 1280x720 \
    --no-dialogs --config-dir "$work/cfg" --fixed-step 16 --seed 3 --script "$script" \
    --server "http://127.0.0.1:$port" "$@"
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

# Registers NAME with PASSWORD on the running server and stores the account
# in the test's settings, as a finished CreateAcc would.
register_account() {
  local name=$1 password=$2 digest reply
  digest=$(printf '%s' "$password" | md5sum | cut -d' ' -f1)
  reply=$(curl -s "$("$build/zentrix-proto" encode \
    "reg.php?beta=1&username=$name&passwordHash=$digest&password=$password&email=mailbox" \
    --base "http://127.0.0.1:$port/secure.php?data=")")
  [[ $reply == success\ * ]] || fail "registration answered '$reply'"
  write_settings "Username=$name" "Password=${reply#success }"
}

# write_settings LINE...: a stored profile with these lines. It keeps Low
# quality, as a first run on this software renderer would choose: the
# default multisampling costs Mesa about a tenth of a second a frame.
write_settings() {
  mkdir -p cfg
  printf '%s\n' VisualQuality=1 "$@" > cfg/settings.ini
}
