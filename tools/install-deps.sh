#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
set -euo pipefail
packages=(
  cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  libz-mingw-w64-dev googletest
  wine wine64 xvfb x11-apps imagemagick
  unixodbc libsqliteodbc odbc-postgresql postgresql
  sqlite3
)
# ./run.sh without a display serves its private one, with a window manager, to a browser.
if [ "${1:-}" = "--viewer" ]; then
  packages+=(x11vnc novnc websockify openbox)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# The ODBC drivers register themselves; make sure the names the tests use exist.
for drv in SQLite3 "PostgreSQL ANSI"; do
  odbcinst -q -d -n "$drv" >/dev/null 2>&1 || { echo "ODBC driver '$drv' is not registered" >&2; exit 1; }
done
