#!/usr/bin/env bash
# The private display of ./run.sh as a user meets it: Openbox, x11vnc and noVNC as run.sh
# starts them, vorn on a fresh copy of the sample (database created, demo logged in), a
# screenshot of the noVNC page taken by headless Chromium, and five closes of the customer
# form from the keyboard (Alt+F4 to the form, as its title bar's close does), each timed
# until the window is gone.
#   bench/viewer_bench.sh [folder]   (an absolute folder for the session; build/viewerbench)
# Needs chromium, xdotool and node from Debian (apt-get install chromium xdotool nodejs).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD=${1:-$ROOT/build/viewerbench}
mkdir -p "$BUILD"
source "$ROOT/tools/session.sh"
PIDS=()
stop_all() { for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done; session_stop; }
trap stop_all EXIT

session_start_display
openbox --sm-disable >"$BUILD/openbox.log" 2>&1 &
PIDS+=($!)
vnc_port=$(free_port 5900)
x11vnc -display "$DISPLAY" -rfbport "$vnc_port" -localhost -forever -shared -nopw -quiet >"$BUILD/x11vnc.log" 2>&1 &
PIDS+=($!)
web_port=$(free_port 6080)
websockify --web /usr/share/novnc "127.0.0.1:$web_port" "127.0.0.1:$vnc_port" >"$BUILD/novnc.log" 2>&1 &
PIDS+=($!)
session_start_wine

rm -rf "$BUILD/run"
mkdir -p "$BUILD/run"
cp -r "$ROOT/sample/." "$BUILD/run/"
cd "$BUILD/run"
wine "$ROOT/build/vorn.exe" </dev/null >/dev/null 2>&1 &
PIDS+=($!)

# The X window of that exact title, waited for up to 20 s.
window_titled() {
  local id
  for _ in $(seq 1 200); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "no window \"$1\"" >&2
  exit 1
}
focus() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }

focus "$(window_titled "No database found")"
xdotool key Return
focus "$(window_titled "Login")"
xdotool type --delay 50 demo
xdotool key Tab
xdotool type --delay 50 vorn
xdotool key Return
main=$(window_titled "Vorn Order Desk")
sleep 2

chromium --headless --no-sandbox --disable-gpu --window-size=1300,1100 --remote-debugging-port=9333 about:blank \
  >"$BUILD/chromium.log" 2>&1 &
PIDS+=($!)
sleep 3
timeout 60 node --experimental-websocket "$ROOT/bench/page_shot.js" 9333 \
  "http://127.0.0.1:$web_port/vnc.html?autoconnect=1&resize=scale" "$BUILD/novnc_page.png" 2>/dev/null &&
  echo "the noVNC page: $BUILD/novnc_page.png"

for round in 1 2 3 4 5; do
  focus "$main"
  xdotool key alt+e
  sleep 0.3
  xdotool key Return
  form=$(window_titled "Customer")
  sleep 0.5
  focus "$form"
  start=$(date +%s%N)
  xdotool key alt+F4
  while xdotool search --name '^Customer$' >/dev/null 2>&1; do sleep 0.005; done
  echo "form close $round: $((($(date +%s%N) - start) / 1000000)) ms"
done
focus "$main"
xdotool key alt+f
sleep 0.3
xdotool key x
sleep 2
