#!/usr/bin/env bash
# Runs one test program under Wine for CTest, and says how it ended when that was a failure.
# A program Wine could not start ends at once with an error code and without a word (Wine's
# own diagnostics are off in the tests): such a start is told and made once more, since no
# test of the program itself ended there. Usage: run_test.sh WINE PROGRAM [ARGUMENTS...]
set -uo pipefail
wine=$1
shift
name=$(basename "$1")

# Passes its input on; fails when there was none.
relay() {
  local first
  if IFS= read -r -d '' -n 1 first; then
    if [ -n "$first" ]; then printf '%s' "$first"; else printf '\0'; fi
    cat
    return 0
  fi
  [ -n "$first" ] && printf '%s' "$first" && cat
}

run_once() {
  local started=$SECONDS
  # Should CTest kill this script at its time-out, the program goes with it.
  setpriv --pdeathsig KILL "$wine" "$@" 2>&1 | relay
  local statuses=("${PIPESTATUS[@]}")
  rc=${statuses[0]}
  said_something=$([ "${statuses[1]}" -eq 0 ] && echo yes || echo no)
  elapsed=$((SECONDS - started))
}

run_once "$@"
if [ "$rc" -ne 0 ] && [ "$elapsed" -le 2 ] && [ "$said_something" = no ]; then
  echo "run_test: $name ended at start with exit code $rc and no output: Wine did not start it; starting it once more"
  run_once "$@"
fi
if [ "$rc" -ne 0 ]; then
  echo "run_test: $name ended with exit code $rc after $elapsed s"
fi
exit "$rc"
