#!/usr/bin/env bash
# palimo --set-key against the session's real keyring, and the usage and version paths.
# Usage (inside palimo-session.sh): set-key-cli.sh PATH_TO_PALIMO
set -u
palimo=${1:?usage: set-key-cli.sh PATH_TO_PALIMO}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# check WHAT STATUS STDOUT STDERR — the last run ended with STATUS and printed exactly these.
check() {
  [ "$status" = "$2" ] || fail "$1: exit status $status, expected $2"
  printf '%s' "$3" | cmp -s - "$work/out" || fail "$1: stdout $(od -An -c "$work/out")"
  printf '%s' "$4" | cmp -s - "$work/err" || fail "$1: stderr $(od -An -c "$work/err")"
}
run() { "$palimo" "$@" >"$work/out" 2>"$work/err"; status=$?; }
# The item as QtKeychain stores it: attributes server=<service> and user=<account>.
stored_key() { secret-tool lookup server app.palimo.Palimo user openai-api-key; }

run --set-key $'  sk-test \n'
check "--set-key" 0 $'API key saved to keychain.\n' ''
[ "$(stored_key)" = sk-test ] || fail "stored key: $(stored_key | od -An -c)"

# Saving again updates the one item; a value that looks like an option is still the value.
run x --set-key --sk-dashes --set-key second
check "second --set-key" 0 $'API key saved to keychain.\n' ''
[ "$(stored_key)" = --sk-dashes ] || fail "value after the first --set-key: $(stored_key)"
items=$(secret-tool search --all server app.palimo.Palimo user openai-api-key 2>/dev/null | grep -c '^\[')
[ "$items" = 1 ] || fail "expected one keyring item, found $items"

# "-": the key comes from standard input, piped or typed with echo off at a terminal.
printf '  sk-piped \nsecond line\n' | run --set-key -
check "--set-key - from a pipe" 0 $'API key saved to keychain.\n' ''
[ "$(stored_key)" = sk-piped ] || fail "piped key: $(stored_key)"
run --set-key - </dev/null
check "--set-key - with no input" 2 '' $'No key given on standard input.\n'
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

run --set-key
check "--set-key without a value" 2 '' $'usage: Palimo --set-key <openai-api-key>\n'

run --set-key sk-ignored --version
version=$(cat "$work/out")
[[ "$version" =~ ^Palimo\ [0-9]+\.[0-9]+\.[0-9]+\ \([^()]+\)$ ]] || fail "version line: $version"
check "--version" 0 "$version"$'\n' ''
[ "$(stored_key)" = sk-typed ] || fail "--version changed the key"
run -v
check "-v" 0 "$version"$'\n' ''

[ "$failures" = 0 ] && echo "set-key-cli: all checks passed"
[ "$failures" = 0 ]
