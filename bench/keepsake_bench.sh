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

# Each figure is run KEEPSAKE_BENCH_ROUNDS times (3 unless set); the fastest and slowest
# are printed, and the wizard's best against the best by hand.
export KEEPSAKE_BENCH_ROUNDS=${KEEPSAKE_BENCH_ROUNDS:-3}
HAND_BEST=

# Runs a command KEEPSAKE_BENCH_ROUNDS times: its fastest and slowest time in seconds;
# HAND_BEST keeps the fastest.
time_by_hand() {
  local best="" worst="" start end t
  for _ in $(seq "$KEEPSAKE_BENCH_ROUNDS"); do
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    t=$(awk "BEGIN { print $end - $start }")
    if [ -z "$best" ] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
    if [ -z "$worst" ] || awk "BEGIN { exit !($t > $worst) }"; then worst=$t; fi
  done
  printf '%8.3f %8.3f\n' "$best" "$worst"
  HAND_BEST=$best
}

# The wizard's best time of a figure ("backup" or "restore") in its output.
wizard_best() { awk -v what="wizard $2" 'index($0, what) == 1 { print $3 }' <<<"$1"; }

# One line of the wizard's best against the best by hand.
ratio() { awk -v w="$2" -v h="$3" -v what="$1" 'BEGIN { printf "%-30s %.2fx\n", what, w / h }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== SQLite, about 100 MB"
sqlite3 "$WORK/shop.db" "CREATE TABLE BENCH (ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME VARCHAR(30),
  CITY VARCHAR(30), AMOUNT DOUBLE PRECISION, QTY INTEGER, NOTE TEXT);
  WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 600000)
  INSERT INTO BENCH SELECT i, 'Customer number ' || i, CASE i % 2 WHEN 1 THEN 'Ljubljana' ELSE 'Maribor' END,
    i + 0.25, i % 97, hex(randomblob(40)) FROM c;
  CREATE INDEX BENCH_NAME ON BENCH (NAME);"
ls -l "$WORK/shop.db" | awk '{printf "database file: %d bytes\n", $5}'
printf '[Network]\nDriver Name=SQLite3\nDatabase=shop\n' >"$WORK/app.ini"
cp "$WORK/shop.db" "$WORK/original.db"
OUT=$(wine "$BENCH" "Z:$WORK/app.ini" "Z:$WORK/shop_db.dmp" "Z:$WORK/shop.db")
echo "$OUT"
# By hand on the database as it was made (the wizard's restores leave it larger).
cp "$WORK/original.db" "$WORK/shop.db"
printf 'by hand, sqlite3 VACUUM INTO   '
time_by_hand sh -c "rm -f '$WORK/hand.dmp'; sqlite3 '$WORK/shop.db' \"VACUUM INTO '$WORK/hand.dmp'\""
ratio "wizard backup / VACUUM INTO" "$(wizard_best "$OUT" backup)" "$HAND_BEST"
printf 'by hand, sqlite3 .restore      '
time_by_hand sqlite3 "$WORK/shop.db" ".restore '$WORK/hand.dmp'"
ratio "wizard restore / .restore" "$(wizard_best "$OUT" restore)" "$HAND_BEST"

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
OUT=$(wine "$BENCH" "Z:$WORK/pg.ini" "Z:$PG_WORK/ks_bench.dmp")
echo "$OUT"
ls -l "$PG_WORK/ks_bench.dmp" | awk '{printf "backup file: %d bytes\n", $5}'
AS_SERVER=(runuser -u postgres -- env PGHOST="$BUILD/postgres" PGPORT="$PG_PORT")
printf 'by hand, pg_dump -Fc           '
time_by_hand "${AS_SERVER[@]}" "$PG_BIN/pg_dump" -Fc -f "$PG_WORK/hand.dmp" ks_bench
ratio "wizard backup / pg_dump" "$(wizard_best "$OUT" backup)" "$HAND_BEST"
printf 'by hand, pg_restore --clean -1 '
time_by_hand "${AS_SERVER[@]}" "$PG_BIN/pg_restore" --clean --if-exists --single-transaction -d ks_bench "$PG_WORK/hand.dmp"
ratio "wizard restore / pg_restore" "$(wizard_best "$OUT" restore)" "$HAND_BEST"
"${PSQL[@]}" -d postgres -c "DROP DATABASE ks_bench"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
