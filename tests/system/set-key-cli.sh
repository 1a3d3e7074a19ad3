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
/usr/bin/python3 - "$palimo" >"$work/tty" <<'PY' || fail "typed key: $(cat "$work/tty")"
import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1], "--set-key", "-"])
seen = b""
while b"not shown" not in seen:
    seen += os.read(fd, 1024)
os.write(fd, b"sk-typed\n")
try:
    while chunk := os.read(fd, 1024):
        seen += chunk
except OSError:
    pass
status = os.waitpid(pid, 0)[1]
print(seen.decode(errors="replace"))
sys.exit(0 if status == 0 and b"sk-typed" not in seen and b"saved" in seen else 1)
PY
[ "$(stored_key)" = sk-typed ] || fail "typed key: $(stored_key)"

expect "--set-key without a value" 2 '' $'usage: Palimo --set-key <openai-api-key>\n' sk-typed --set-key
version=$("$palimo" --version)
[[ "$version" =~ ^Palimo\ [0-9]+\.[0-9]+\.[0-9]+\ \([^()]+\)$ ]] || fail "version line: $version"
expect "--version" 0 "$version"$'\n' '' sk-typed --set-key sk-ignored --version

finish set-key-cli
