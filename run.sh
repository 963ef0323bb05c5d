#!/usr/bin/env bash
# Builds vorn and starts it on a copy of the sample application (model, INI file, creation
# scripts) in build/run, where it keeps its database and logs. With DISPLAY set the window
# opens there; without one, a private X display with a small window manager (title bars
# that move and close windows) is served to a browser through x11vnc and noVNC, and the
# address to open is printed.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")" && pwd)
BUILD=${BUILD_DIR:-$ROOT/build}
JOBS=${JOBS:-$(nproc)}
RUN=$BUILD/run
VIEWER_HOST=${VIEWER_HOST:-127.0.0.1}

if [ -n "${DISPLAY:-}" ]; then
  "$ROOT/tools/install-deps.sh"
else
  "$ROOT/tools/install-deps.sh" --viewer
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target vorn

# The sample is copied once: later runs keep the database and settings made there.
if [ ! -d "$RUN" ]; then
  mkdir -p "$RUN"
  cp -r "$ROOT/sample/." "$RUN/"
fi

source "$ROOT/tools/session.sh"
VIEWER_PIDS=()
stop_all() {
  for pid in "${VIEWER_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  session_stop
}
trap stop_all EXIT

if [ -z "${DISPLAY:-}" ]; then
  session_start_display
  # Openbox gives the windows their title bars; without a window manager nothing can be
  # moved and Wine takes seconds to destroy every captioned window.
  openbox --sm-disable >"$BUILD/openbox.log" 2>&1 &
  VIEWER_PIDS+=($!)
  vnc_port=$(free_port 5900)
  x11vnc -display "$DISPLAY" -rfbport "$vnc_port" -localhost -forever -shared -nopw -quiet \
    >"$BUILD/x11vnc.log" 2>&1 &
  VIEWER_PIDS+=($!)
  web_port=$(free_port 6080)
  websockify --web /usr/share/novnc "$VIEWER_HOST:$web_port" "127.0.0.1:$vnc_port" \
    >"$BUILD/novnc.log" 2>&1 &
  VIEWER_PIDS+=($!)
  for _ in $(seq 1 50); do (exec 3<>"/dev/tcp/127.0.0.1/$web_port") 2>/dev/null && break; sleep 0.1; done
  echo
  echo "vorn runs on a private display. Open this address in a browser:"
  echo "    http://$VIEWER_HOST:$web_port/vnc.html?autoconnect=1&resize=scale"
  echo
fi
session_start_wine

if ! ls "$RUN"/*.db >/dev/null 2>&1; then
  echo "First start: vorn finds no database and asks whether to create it from the sample's"
  echo "scripts. Answer Yes; the tables are made in $RUN."
fi
echo "Starting vorn in $RUN (File > Exit ends it)."
echo "Log in as user \"demo\" with password \"vorn\" (or \"clerk\" / \"counter\", who has menus of his own)."
cd "$RUN"
set +e
wine "$BUILD/vorn.exe"
code=$?
set -e
echo "vorn ended with exit code $code."
exit $code
