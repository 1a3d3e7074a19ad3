#!/usr/bin/env bash
# palimo --set-key with no Secret Service at all must fail at once with a readable reason.
# Usage (inside PALIMO_SESSION_NO_KEYRING=1 palimo-session.sh): set-key-no-keyring.sh PALIMO
set -u
palimo=${1:?usage: set-key-no-keyring.sh PATH_TO_PALIMO}
err=$(mktemp)
trap 'rm -f "$err"' EXIT
start=${EPOCHREALTIME/./}
out=$("$palimo" --set-key sk-test 2>"$err")
status=$?
elapsed_ms=$(((${EPOCHREALTIME/./} - start) / 1000))
echo "--set-key without a Secret Service took ${elapsed_ms} ms: $(cat "$err")"

ok=1
fail() { echo "FAIL: $*"; ok=0; }
[ "$status" = 1 ] || fail "exit status $status, expected 1"
[ -z "$out" ] || fail "unexpected stdout: $out"
# One line, ending in a line feed, starting with the keychain failure.
{ [ "$(wc -l <"$err")" = 1 ] && [ "$(tail -c 1 "$err" | od -An -c | tr -d ' ')" = '\n' ]; } ||
  fail "stderr is not one line ending in a line feed"
[[ "$(cat "$err")" == "Could not save to the keychain: "* ]] || fail "stderr does not start with the keychain failure"
# Not a time-out: the missing service is reported by D-Bus itself, far below the write limit.
! grep -q 'did not answer' "$err" || fail "reported a time-out instead of the missing service"
[ "$elapsed_ms" -lt 10000 ] || fail "took ${elapsed_ms} ms"
[ "$ok" = 1 ]
