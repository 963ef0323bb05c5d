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

# KEEPSAKE_BENCH_ROUNDS rounds (3 unless set). In each the wizard backs up and restores
# once, and the same is done by hand right after, so both meet the same load on a busy
# machine; each round prints its times and ratios, and the end their range.
ROUNDS=${KEEPSAKE_BENCH_ROUNDS:-3}

# Seconds a command takes.
seconds() {
  local start end
  start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
  awk "BEGIN { print $end - $start }"
}

# The wizard's time of a figure ("backup" or "restore") in the output of one round.
wizard_time() { awk -v what="wizard $2" 'index($0, what) == 1 { print $3 }' <<<"$1"; }

# Prints one round (wizard backup, by hand, wizard restore, by hand) and keeps its ratios.
BACKUP_RATIOS=() RESTORE_RATIOS=()
report_round() {
  local backup restore
  backup=$(awk "BEGIN { printf \"%.2f\", $2 / $3 }")
  restore=$(awk "BEGIN { printf \"%.2f\", $4 / $5 }")
  printf 'round %d: backup %.3f s, by hand %.3f s (%sx); restore %.3f s, by hand %.3f s (%sx)\n' \
    "$1" "$2" "$3" "$backup" "$4" "$5" "$restore"
  BACKUP_RATIOS+=("$backup") RESTORE_RATIOS+=("$restore")
}

# The range of the rounds' ratios.
report_ranges() {
  printf 'wizard / by hand over %d rounds: backup %s to %sx, restore %s to %sx\n' "$ROUNDS" \
    "$(printf '%s\n' "${BACKUP_RATIOS[@]}" | sort -n | head -1)" "$(printf '%s\n' "${BACKUP_RATIOS[@]}" | sort -n | tail -1)" \
    "$(printf '%s\n' "${RESTORE_RATIOS[@]}" | sort -n | head -1)" "$(printf '%s\n' "${RESTORE_RATIOS[@]}" | sort -n | tail -1)"
  BACKUP_RATIOS=() RESTORE_RATIOS=()
}

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
for round in $(seq "$ROUNDS"); do
  OUT=$(KEEPSAKE_BENCH_ROUNDS=1 wine "$BENCH" "Z:$WORK/app.ini" "Z:$WORK/shop_db.dmp" "Z:$WORK/shop.db")
  [ "$round" -gt 1 ] || grep '^bare copy' <<<"$OUT"
  HAND_BACKUP=$(seconds sh -c "rm -f '$WORK/hand.dmp'; sqlite3 '$WORK/shop.db' \"VACUUM INTO '$WORK/hand.dmp'\"")
  HAND_RESTORE=$(seconds sqlite3 "$WORK/shop.db" ".restore '$WORK/hand.dmp'")
  report_round "$round" "$(wizard_time "$OUT" backup)" "$HAND_BACKUP" "$(wizard_time "$OUT" restore)" "$HAND_RESTORE"
done
echo "(by hand: sqlite3 VACUUM INTO and .restore)"
report_ranges

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
AS_SERVER=(runuser -u postgres -- env PGHOST="$BUILD/postgres" PGPORT="$PG_PORT")
for round in $(seq "$ROUNDS"); do
  OUT=$(KEEPSAKE_BENCH_ROUNDS=1 wine "$BENCH" "Z:$WORK/pg.ini" "Z:$PG_WORK/ks_bench.dmp")
  [ "$round" -gt 1 ] || ls -l "$PG_WORK/ks_bench.dmp" | awk '{printf "backup file: %d bytes\n", $5}'
  HAND_BACKUP=$(seconds "${AS_SERVER[@]}" "$PG_BIN/pg_dump" -Fc -f "$PG_WORK/hand.dmp" ks_bench)
  HAND_RESTORE=$(seconds "${AS_SERVER[@]}" "$PG_BIN/pg_restore" --clean --if-exists --single-transaction \
    -d ks_bench "$PG_WORK/hand.dmp")
  report_round "$round" "$(wizard_time "$OUT" backup)" "$HAND_BACKUP" "$(wizard_time "$OUT" restore)" "$HAND_RESTORE"
done
echo "(by hand: pg_dump -Fc and pg_restore --clean --if-exists --single-transaction)"
report_ranges
"${PSQL[@]}" -d postgres -c "DROP DATABASE ks_bench"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
