#!/usr/bin/env bash
# Starts the 32-bit vorn.exe under 32-bit Wine, in an i386 Debian folder under the build
# folder, on a fresh copy of the sample: creates the database, logs in, reaches the main
# window and ends through File > Exit, checking the database after each step.
#
# The host's own Wine is 64-bit only; its 32-bit half would replace shared packages of the
# host, so it lives in a folder of its own (debootstrap) that only this script uses.
# Needs root (chroot and mounts) and the network on its first run (a few minutes).
# Usage: tools/smoke32.sh [build folder]   (the 32-bit programs are in <build>/win32)
# Exit codes: 0 passed, 1 the program failed a step, 77 this machine cannot run it (not
# root, no network for the first run, no mounts allowed).
set -euo pipefail
CANNOT_RUN=77
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-${BUILD_DIR:-$ROOT/build}}
BUILD=$(cd "$BUILD" && pwd)
EXE=$BUILD/win32/vorn.exe
JAIL=$BUILD/i386
RUN=/smoke  # inside the jail
SHOTS=$BUILD/screenshots

cannot_run() { echo "smoke32: cannot run here: $*" >&2; exit $CANNOT_RUN; }
[ "$(id -u)" -eq 0 ] || cannot_run "needs root (chroot)"
[ -f "$EXE" ] || { echo "smoke32: $EXE is not built (./test.sh builds it)" >&2; exit 2; }

prepare_jail() {
  if [ ! -x "$JAIL/usr/bin/wine" ]; then
    command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null ||
      cannot_run "debootstrap does not install"
    echo "smoke32: making an i386 Debian folder with 32-bit Wine in $JAIL (first run only)"
    rm -rf "$JAIL"
    debootstrap --arch=i386 --variant=minbase bookworm "$JAIL" http://deb.debian.org/debian \
      >"$BUILD/smoke32-debootstrap.log" 2>&1 || cannot_run "debootstrap failed, see $BUILD/smoke32-debootstrap.log"
    cp /etc/resolv.conf "$JAIL/etc/"
    chroot "$JAIL" bash -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      --no-install-recommends wine wine32 unixodbc libsqliteodbc xdotool imagemagick' \
      >"$BUILD/smoke32-packages.log" 2>&1 || cannot_run "32-bit Wine does not install, see $BUILD/smoke32-packages.log"
  fi
}

# No host folder is bound into the folder, so a removal of the build folder can never reach
# the host's /dev or sockets: it gets a proc file system of its own, debootstrap's device
# nodes, and the one socket of the smoke start's X display (a mounted file is not removed).
MOUNTS=()
mount_proc() {
  mount -t proc proc "$JAIL/proc" 2>/dev/null || cannot_run "mounting proc is not allowed"
  MOUNTS+=("$JAIL/proc")
}
mount_display_socket() {
  local socket=/tmp/.X11-unix/X$1
  mkdir -p "$JAIL/tmp/.X11-unix" && touch "$JAIL$socket"
  mount --bind "$socket" "$JAIL$socket" 2>/dev/null || cannot_run "bind mounts are not allowed"
  MOUNTS+=("$JAIL$socket")
}

XVFB_PID=""
stop_all() {
  set +e
  chroot "$JAIL" env WINEPREFIX=/root/wineprefix wineserver -k >/dev/null 2>&1
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do umount "${MOUNTS[i]}"; done
}
trap stop_all EXIT

in_jail() {
  chroot "$JAIL" env HOME=/root WINEPREFIX=/root/wineprefix WINEDEBUG=-all WINEARCH=win32 \
    WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d" DISPLAY="$DISPLAY" bash -c "$1"
}

# Waits until a window with this exact title is there; prints its id.
wait_window() {
  local title=$1 id
  for _ in $(seq 1 120); do
    id=$(in_jail "xdotool search --name '^$title\$' 2>/dev/null | head -1" || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.5
  done
  echo "smoke32: no window \"$title\" came" >&2
  return 1
}

shot() { in_jail "import -window root /tmp/shot.png" && cp "$JAIL/tmp/shot.png" "$SHOTS/smoke32_$1.png"; }

fail() { echo "smoke32: FAILED: $*" >&2; shot failed || true; exit 1; }

prepare_jail
mkdir -p "$SHOTS"
mount_proc

n=120
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >"$BUILD/smoke32-xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
mount_display_socket "$n"
export DISPLAY=":$n"

rm -rf "$JAIL$RUN" "$JAIL/tmp/vorn.rc" && mkdir -p "$JAIL$RUN"
cp -r "$ROOT/sample/." "$JAIL$RUN/"
cp "$EXE" "$JAIL$RUN/"
[ -f "$JAIL/root/wineprefix/system.reg" ] || in_jail "wineboot -i >/dev/null 2>&1; wineserver -w"

echo "smoke32: starting the 32-bit vorn.exe"
in_jail "cd $RUN && (wine vorn.exe >/tmp/vorn.out 2>&1; echo \$? >/tmp/vorn.rc) &"

box=$(wait_window "No database found") || fail "vorn did not ask to create the database"
in_jail "xdotool windowfocus --sync $box key Return"  # Yes
login=$(wait_window "Login") || fail "no login after the database was made"
tables=$(sqlite3 "$JAIL$RUN/vorn.db" "SELECT count(*) FROM sqlite_master WHERE type='table'")
[ "$tables" -gt 0 ] || fail "the database holds no tables"
[ "$(sqlite3 "$JAIL$RUN/vorn.db" "PRAGMA journal_mode")" = wal ] || fail "the database is not in WAL mode"

in_jail "xdotool windowfocus --sync $login type --delay 40 demo; xdotool key Tab; xdotool type --delay 40 vorn; xdotool key Return"
main=$(wait_window "Vorn Order Desk") || fail "no main window"
for _ in $(seq 1 40); do
  in_jail "xdotool search --name '^Login\$'" >/dev/null 2>&1 || break
  sleep 0.5
done
sleep 1
shot main
echo "smoke32: main window up, $tables tables made"

in_jail "xdotool windowfocus --sync $main key alt+f; sleep 0.5; xdotool key x"
for _ in $(seq 1 60); do [ -f "$JAIL/tmp/vorn.rc" ] && break; sleep 0.5; done
[ -f "$JAIL/tmp/vorn.rc" ] || fail "vorn did not end after File > Exit"
rc=$(cat "$JAIL/tmp/vorn.rc")
[ "$rc" = 0 ] || fail "vorn ended with exit code $rc"
echo "smoke32: passed (exit code 0; screenshot $SHOTS/smoke32_main.png)"
