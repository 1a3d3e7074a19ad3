#!/usr/bin/env bash
# palimo --set-key with no Secret Service at all must fail at once with a readable reason.
# Usage (inside PALIMO_SESSION_NO_KEYRING=1 palimo-session.sh): set-key-no-keyring.sh PALIMO
set -u
palimo=${1:?usage: set-key-no-keyring.sh PATH_TO_PALIMO}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

start=${EPOCHREALTIME/./}
"$palimo" --set-key sk-test >"$work/out" 2>"$work/err"
status=$?
elapsed_ms=$(((${EPOCHREALTIME/./} - start) / 1000))
echo "--set-key without a Secret Service took ${elapsed_ms} ms: $(cat "$work/err")"

[ "$status" = 1 ] || fail "exit status $status, expected 1"
[ -s "$work/out" ] && fail "unexpected stdout: $(cat "$work/out")"
head -c 32 "$work/err" | cmp -s - <(printf 'Could not save to the keychain: ') ||
  fail "stderr does not start with the keychain failure: $(cat "$work/err")"
{ [ "$(wc -l <"$work/err")" = 1 ] && [ "$(tail -c 1 "$work/err" | od -An -c | tr -d ' ')" = '\n' ]; } ||
  fail "stderr is not one line ending in a line feed"
# Not a time-out: the missing service is reported by D-Bus itself, far below the write limit.
grep -q 'did not answer' "$work/err" && fail "reported a time-out instead of the missing service"
[ "$elapsed_ms" -lt 10000 ] || fail "took ${elapsed_ms} ms"

[ "$failures" = 0 ]
