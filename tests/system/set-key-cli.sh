#!/usr/bin/env bash
# palimo --set-key against the session's real keyring, and the usage and version paths.
# Usage (inside palimo-session.sh): set-key-cli.sh PATH_TO_PALIMO
set -u
palimo=${1:?usage: set-key-cli.sh PATH_TO_PALIMO}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect_file DESCRIPTION FILE BYTES — FILE holds exactly BYTES.
expect_file() {
  if ! printf '%s' "$3" | cmp -s - "$2"; then
    fail "$1: expected $(printf '%s' "$3" | od -An -c | tr -s ' '), got $(od -An -c <"$2" | tr -s ' ')"
  fi
}

run() {
  "$palimo" "$@" >"$work/out" 2>"$work/err"
  status=$?
}

# The item as QtKeychain stores it: attributes server=<service> and user=<account>.
stored_key() {
  secret-tool lookup server app.palimo.Palimo user openai-api-key >"$work/stored" 2>/dev/null
}
item_count() {
  secret-tool search --all server app.palimo.Palimo user openai-api-key 2>/dev/null | grep -c '^\['
}

run --set-key $'  sk-test \n'
[ "$status" = 0 ] || fail "--set-key exited with $status"
expect_file "--set-key stdout" "$work/out" $'API key saved to keychain.\n'
expect_file "--set-key stderr" "$work/err" ''
stored_key || fail "no item after --set-key"
expect_file "stored key" "$work/stored" 'sk-test'

# Saving again updates the one item; a value that looks like an option is still the value.
run x --set-key --sk-dashes --set-key second
[ "$status" = 0 ] || fail "second --set-key exited with $status"
stored_key
expect_file "value after the first --set-key" "$work/stored" '--sk-dashes'
[ "$(item_count)" = 1 ] || fail "expected one keyring item, found $(item_count)"

run --set-key
[ "$status" = 2 ] || fail "--set-key without a value exited with $status"
expect_file "usage on stderr" "$work/err" $'usage: Palimo --set-key <openai-api-key>\n'
expect_file "usage stdout" "$work/out" ''

run --set-key sk-ignored --version
[ "$status" = 0 ] || fail "--version exited with $status"
grep -qxE 'Palimo [0-9]+\.[0-9]+\.[0-9]+ \([^()]+\)' "$work/out" ||
  fail "version line: $(cat "$work/out")"
[ "$(wc -l <"$work/out")" = 1 ] || fail "version output is not one line"
stored_key
expect_file "--version leaves the key alone" "$work/stored" '--sk-dashes'

run -v
{ [ "$status" = 0 ] && cmp -s "$work/out" <("$palimo" --version); } || fail "-v differs from --version"

if [ "$failures" = 0 ]; then echo "set-key-cli: all checks passed"; fi
[ "$failures" = 0 ]
