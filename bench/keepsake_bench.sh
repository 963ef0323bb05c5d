#!/usr/bin/env bash
# The maintenance wizard against the bare copy and the servers' own programs run by hand:
# a SQLite database of about 100 MB and a PostgreSQL database of 1,000,000 rows, each backed
# up and restored through the wizard (bench/keepsake_bench.cpp), then by hand.
# Run after a build: bench/keepsake_bench.sh [build folder]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
source "$ROOT/tools/session.sh"
trap 'session_stop; rm -rf "$WORK"; [ -z "${PG_WORK:-}" ] || rm -rf "$PG_WORK"' EXIT
session_start_display
session_start_wine
session_start_postgres
WORK=$(mktemp -d /tmp/keepsake_bench.XXXXXX)
BENCH="$BUILD/bench/keepsake_bench.exe"

# Best of three runs of a command, in seconds.
best_of_3() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
  done
  printf '%8.3f\n' "$best"
}

echo "== SQLite, about 100 MB"
sqlite3 "$WORK/shop.db" "CREATE TABLE BENCH (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME VARCHAR(30),
  CITY VARCHAR(30), AMOUNT DOUBLE PRECISION, QTY INTEGER, NOTE TEXT);
  WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 600000)
  INSERT INTO BENCH SELECT i, 'Customer number ' || i, CASE i % 2 WHEN 1 THEN 'Ljubljana' ELSE 'Maribor' END,
    i + 0.25, i % 97, hex(randomblob(40)) FROM c;
  CREATE INDEX BENCH_NAME ON BENCH (NAME);"
ls -l "$WORK/shop.db" | awk '{printf "database file: %d bytes\n", $5}'
printf '[Network]\nDriver Name=SQLite3\nDatabase=shop\n' >"$WORK/app.ini"
wine "$BENCH" "Z:$WORK/app.ini" "Z:$WORK/shop_db.dmp" "Z:$WORK/shop.db"
printf 'by hand, sqlite3 VACUUM INTO   '
best_of_3 sh -c "rm -f '$WORK/hand.dmp'; sqlite3 '$WORK/shop.db' \"VACUUM INTO '$WORK/hand.dmp'\""
printf 'by hand, sqlite3 .restore      '
best_of_3 sqlite3 "$WORK/shop.db" ".restore '$WORK/hand.dmp'"

echo "== PostgreSQL, 1,000,000 rows"
PSQL=(runuser -u postgres -- "$PG_BIN/psql" -X -q -h "$BUILD/postgres" -p "$PG_PORT" -U postgres)
"${PSQL[@]}" -d postgres -c "DROP DATABASE IF EXISTS ks_bench" -c "CREATE DATABASE ks_bench"
"${PSQL[@]}" -d ks_bench -c "CREATE TABLE bench (id SERIAL PRIMARY KEY, name VARCHAR(30), city VARCHAR(30),
  amount DOUBLE PRECISION, qty INTEGER)" -c "INSERT INTO bench (name, city, amount, qty)
  SELECT 'Customer number ' || i, CASE i % 2 WHEN 1 THEN 'Ljubljana' ELSE 'Maribor' END, i + 0.25, i % 97
  FROM generate_series(1, 1000000) AS i" -c "CREATE INDEX bench_name ON bench (name)"
PG_WORK="$VORN_PG_BACKUP_DIR/bench"
mkdir -p "$PG_WORK"
chown postgres "$PG_WORK"
printf '[Network]\nDriver Name=PostgreSQL ANSI\nServer Name=127.0.0.1:%s\nDatabase=ks_bench\nUsername=postgres\n' \
  "$PG_PORT" >"$WORK/pg.ini"
wine "$BENCH" "Z:$WORK/pg.ini" "Z:$PG_WORK/ks_bench.dmp"
ls -l "$PG_WORK/ks_bench.dmp" | awk '{printf "backup file: %d bytes\n", $5}'
AS_SERVER=(runuser -u postgres -- env PGHOST="$BUILD/postgres" PGPORT="$PG_PORT")
printf 'by hand, pg_dump -Fc           '
best_of_3 "${AS_SERVER[@]}" "$PG_BIN/pg_dump" -Fc -f "$PG_WORK/hand.dmp" ks_bench
printf 'by hand, pg_restore --clean -1 '
best_of_3 "${AS_SERVER[@]}" "$PG_BIN/pg_restore" --clean --if-exists --single-transaction -d ks_bench "$PG_WORK/hand.dmp"
"${PSQL[@]}" -d postgres -c "DROP DATABASE ks_bench"
