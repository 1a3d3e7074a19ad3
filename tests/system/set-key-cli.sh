#!/usr/bin/env bash
# palimo --set-key against the session's real keyring, and the usage and version paths.
# Usage (inside palimo-session.sh): set-key-cli.sh PATH_TO_PALIMO
set -u
palimo=${1:?usage: set-key-cli.sh PATH_TO_PALIMO}
# shellcheck source=desktop-fixture.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/desktop-fixture.sh"

# The item as QtKeychain stores it: attributes server=<service> and user=<account>.
stored_key() { secret-tool lookup server app.palimo.Palimo user openai-api-key; }
# expect WHAT STATUS STDOUT STDERR KEY ARGS... — palimo ARGS ends with STATUS, prints exactly
# STDOUT and STDERR, and the keyring holds KEY afterwards.
expect() {
  local what=$1 status=$2 out=$3 err=$4 key=$5 got
  shift 5
  "$palimo" "$@" >"$work/out" 2>"$work/palimo.out"
  got=$?
  [ "$got" = "$status" ] || fail "$what: exit status $got, expected $status"
  printf '%s' "$out" | cmp -s - "$work/out" || fail "$what: stdout $(od -An -c "$work/out")"
  printf '%s' "$err" | cmp -s - "$work/palimo.out" ||
    fail "$what: stderr $(od -An -c "$work/palimo.out")"
  [ "$(stored_key)" = "$key" ] || fail "$what: stored key $(stored_key | od -An -c)"
}
saved=$'API key saved to keychain.\n'

expect "--set-key" 0 "$saved" '' sk-test --set-key $'  sk-test \n'

# "-": the key comes from standard input, piped or typed with echo off at a terminal.
expect "--set-key - from a pipe" 0 "$saved" '' sk-piped --set-key - < <(printf '  sk-piped \nsecond line\n')
expect "--set-key - with no input" 2 '' $'No key given on standard input.\n' sk-piped --set-key - </dev/null
# At a terminal (script(1) gives it one) the key is typed once the prompt shows.
{ coproc TTY { script -qefc "'$palimo' --set-key -" /dev/null; }; } 2>/dev/null
tty_pid=$TTY_PID
exec {tty_out}<&"${TTY[0]}" {tty_in}>&"${TTY[1]}"
read -r -d : -t 10 -u "$tty_out" _ || fail "no prompt for the typed key"
echo sk-typed >&"$tty_in"
typed=$(timeout 10 cat <&"$tty_out")
wait "$tty_pid" || fail "typed key: exit status $?: $typed"
[[ $typed != *sk-typed* && $typed == *saved* ]] || fail "typed key shown or not saved: $typed"
[ "$(stored_key)" = sk-typed ] || fail "typed key: $(stored_key)"

expect "--set-key without a value" 2 '' $'usage: Palimo --set-key <openai-api-key>\n' sk-typed --set-key
version=$("$palimo" --version)
[[ "$version" =~ ^Palimo\ [0-9]+\.[0-9]+\.[0-9]+\ \([^()]+\)$ ]] || fail "version line: $version"
expect "--version" 0 "$version"$'\n' '' sk-typed --set-key sk-ignored --version

finish set-key-cli
