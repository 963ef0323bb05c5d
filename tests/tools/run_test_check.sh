#!/usr/bin/env bash
# Checks tools/run_test.sh with a stand-in for Wine: a silent failed start is made once more,
# a test that failed is not, exit codes pass through, and a killed launcher takes the
# program with it. Usage: run_test_check.sh SOURCE_DIR WORK_DIR
set -uo pipefail
launcher=$1/tools/run_test.sh
work=$2/run_test_check
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failures=0
check() {  # description, expected, actual
  if [ "$2" != "$3" ]; then echo "FAILED: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}

cat > standin <<'STANDIN'
#!/usr/bin/env bash
starts=$(( $(cat starts 2>/dev/null || echo 0) + 1 )); echo "$starts" > starts
case "$1" in
  silent-once) [ "$starts" -eq 1 ] && exit 1; echo "tests passed"; exit 0 ;;
  silent) exit 3 ;;
  failing) echo "a test failed"; exit 1 ;;
  passing) echo "tests passed"; exit 0 ;;
  hanging) echo $$ > hanging.pid; exec sleep 300 ;;
esac
STANDIN
chmod +x standin

# mode, expected exit code, expected starts
while read -r mode code starts; do
  rm -f starts
  out=$("$launcher" ./standin "$mode" 2>&1)
  check "$mode: exit code" "$code" "$?"
  check "$mode: starts" "$starts" "$(cat starts)"
  case "$mode" in
    failing) check "$mode: output kept" yes "$(grep -q 'a test failed' <<<"$out" && echo yes || echo no)" ;;
    silent*) check "$mode: start failure told" yes "$(grep -q 'no output' <<<"$out" && echo yes || echo no)" ;;
  esac
done <<'CASES'
passing 0 1
silent-once 0 2
silent 3 2
failing 1 1
CASES

rm -f hanging.pid
"$launcher" ./standin hanging >/dev/null 2>&1 &
launcher_pid=$!
for _ in $(seq 1 50); do [ -s hanging.pid ] && break; sleep 0.1; done
kill -9 "$launcher_pid"
wait "$launcher_pid" 2>/dev/null
sleep 0.5
program=$(cat hanging.pid)
# A killed program may stay a zombie until whoever took it over reaps it.
state=$(awk '{print $3}' "/proc/$program/stat" 2>/dev/null)
check "a killed launcher's program ends" gone "$([ -n "$state" ] && [ "$state" != Z ] && echo running || echo gone)"
kill -9 "$program" 2>/dev/null

[ "$failures" -eq 0 ] && echo "run_test_check: all cases passed"
exit "$failures"
