# Sourced by test.sh and run.sh: starts a private X display, Wine prefix and PostgreSQL
# cluster under the build folder, and stops all of them on exit.
# Needs BUILD (the build folder) set by the caller.

session_stop() {
  set +e
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1; fi
  if [ -n "${PG_DATA:-}" ] && [ -f "$PG_DATA/postmaster.pid" ]; then
    runuser -u postgres -- "$PG_BIN/pg_ctl" -D "$PG_DATA" stop -m fast >/dev/null 2>&1
  fi
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
}

free_port() {
  local port=$1
  while (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; do port=$((port + 1)); done
  echo "$port"
}

session_start_display() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  # -noreset: a server that reset when its last client left would refuse whoever comes next.
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$BUILD/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
}

session_start_wine() {
  export WINEPREFIX="$BUILD/wineprefix"
  # Wine's own messages are off, but for those on what it lacks to run a program at all
  # (no display, no driver): without them such a program would end without a word.
  export WINEDEBUG=-all,err+winediag
  export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
  export WINEARCH=win64
  # Downloads from the tests' own servers on loopback addresses never go through a proxy.
  export no_proxy="${no_proxy:+$no_proxy,}localhost,127.*"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$BUILD/wineboot.log" 2>&1
    wineserver -w
  fi
  # Keep one server and Wine's own services alive for the whole run: every test start is
  # then cheap, and no service started by a test holds the test's output pipe open.
  wineserver -p >/dev/null 2>&1 || true
  wineboot -r </dev/null >/dev/null 2>&1 || true
  session_hold_desktop
  # Wine links the user's desktop to the host's home folder: give the prefix a desktop
  # folder of its own, so shortcuts written by tests stay inside the build folder.
  local desktop
  for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
    if [ -L "$desktop" ]; then rm "$desktop" && mkdir "$desktop"; fi
  done
}

# For unattended runs: a program that crashes ends at once with its backtrace on its error
# output. Without this, Wine's debugger shows a crash box and waits for a click nobody
# gives, and the test waits out its time-out.
session_quiet_crashes() {
  if ! grep -q '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  fi
}

# Wine starts its desktop process on the first window of a session, and that process keeps
# the output of the program that started it: under CTest that test would last as long as
# the desktop, the whole run. The desktop keeper of the test programs (when built) makes the
# desktop first, with no output to hold, and keeps it until wineserver -k.
session_hold_desktop() {
  local keeper="$BUILD/testprograms/desktop_keeper.exe" ready="$BUILD/desktop_keeper.ready"
  [ -f "$keeper" ] || return 0
  rm -f "$ready"
  wine "$keeper" "$(winepath -w "$ready" 2>/dev/null)" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 1 100); do [ -e "$ready" ] && return 0; sleep 0.1; done
  echo "the desktop keeper did not start" >&2
}

session_start_postgres() {
  PG_BIN=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
  # The server runs as the postgres user: everything it writes lives in a folder it owns.
  local root="$BUILD/postgres"
  PG_DATA="$root/data"
  PG_PORT=$(free_port 55432)
  mkdir -p "$root"
  chown postgres "$root"
  if [ ! -f "$PG_DATA/PG_VERSION" ]; then
    runuser -u postgres -- "$PG_BIN/initdb" -D "$PG_DATA" --auth=trust -U postgres -E UTF8 >"$BUILD/initdb.log" 2>&1
  fi
  # One role that must give its password, for the tests of a refused login.
  grep -q keepsake_pw "$PG_DATA/pg_hba.conf" ||
    runuser -u postgres -- sed -i '1i host all keepsake_pw 127.0.0.1/32 scram-sha-256' "$PG_DATA/pg_hba.conf"
  # A folder the server may write backups to (the maintenance wizard's tests).
  mkdir -p "$root/backup"
  chown postgres "$root/backup"
  export VORN_PG_BACKUP_DIR="$root/backup"
  runuser -u postgres -- "$PG_BIN/pg_ctl" -D "$PG_DATA" -l "$root/server.log" -w \
    -o "-p $PG_PORT -k $root -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
  runuser -u postgres -- "$PG_BIN/psql" -h 127.0.0.1 -p "$PG_PORT" -U postgres -d postgres -qtAc \
    "SELECT 1 FROM pg_database WHERE datname='vorn_test'" | grep -q 1 ||
    runuser -u postgres -- "$PG_BIN/createdb" -h 127.0.0.1 -p "$PG_PORT" -U postgres vorn_test
  export VORN_PG_PORT=$PG_PORT
  # CommLog=0: the driver writes no communication log of its own into /tmp.
  export VORN_PG_CONNECT="DRIVER={PostgreSQL ANSI};Server=127.0.0.1;Port=$PG_PORT;Database=vorn_test;Uid=postgres;Pwd=;CommLog=0;Debug=0;"
}
