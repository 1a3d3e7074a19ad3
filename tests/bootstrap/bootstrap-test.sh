#!/usr/bin/env bash
# scripts/bootstrap on machines with none, some or all packages, and with apt failing. Stand-ins
# for dpkg-query, apt-get, sudo and id go first on PATH, so the real system is never touched.
set -u
bootstrap=${1:?usage: bootstrap-test.sh PATH/TO/bootstrap}
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
failures=0
passes=0

cat >"$stub/dpkg-query" <<'SH'
#!/bin/bash
# Knows the packages listed in $STUB/installed; like dpkg-query, exits 1 when any is unknown.
status=0
for a in "$@"; do
  case $a in -*) continue ;; esac
  if grep -qx -- "$a" "$STUB/installed"; then echo "$a install ok installed"
  else echo "dpkg-query: no packages found matching $a" >&2; status=1; fi
done
exit $status
SH
cat >"$stub/apt-get" <<'SH'
#!/bin/bash
echo "apt-get $*" >>"$STUB/calls"
[ "$1" = install ] || exit 0
[ -n "${FAIL_APT:-}" ] && { echo "E: Unable to locate package" >&2; exit 100; }
for a in "$@"; do case $a in -*|install) ;; *) echo "$a" >>"$STUB/installed" ;; esac; done
SH
printf '#!/bin/bash\necho "sudo $*" >>"$STUB/calls"\nexec "$@"\n' >"$stub/sudo"
printf '#!/bin/bash\necho 1000\n' >"$stub/id"
chmod +x "$stub"/*
all=$(sed -n '/^packages=(/,/^)/p' "$bootstrap" | grep -v '^ *#' | tr -s ' ()' '\n' | grep -E '^[a-z0-9][a-z0-9.+-]+$')

# case NAME MISSING... : installs all but MISSING, runs bootstrap, leaves $rc and $out.
run_case() {
  name=$1; shift
  rm -f "$stub/calls"
  grep -vxF -f <(printf '%s\n' "$@" '') <<<"$all" >"$stub/installed"
  out=$(STUB=$stub PATH="$stub:$PATH" timeout 20 bash "$bootstrap" 2>&1); rc=$?
  calls=$(cat "$stub/calls" 2>/dev/null)
}
check() { # check DESCRIPTION CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok   $name: $what"; passes=$((passes + 1)); else echo "FAIL $name: $what"; echo "  exit $rc, output: $out"; echo "  calls: $calls"; failures=$((failures + 1)); fi
}

run_case "nothing missing"
check "exits 0" test $rc -eq 0
check "never calls apt-get" test -z "$calls"

run_case "two missing" xdotool qt6-svg-dev
check "exits 0" test $rc -eq 0
check "installs exactly the two, through sudo when not root" \
  grep -qE '^sudo apt-get install .* (xdotool qt6-svg-dev|qt6-svg-dev xdotool)$' <<<"$calls"
check "says what it installs" grep -q 'installing.*xdotool' <<<"$out"

FAIL_APT=1 run_case "apt fails" mousepad
check "exits non-zero" test $rc -ne 0
check "one line names what could not be installed" \
  grep -qx 'bootstrap: could not install mousepad (apt-get failed; see above)' <<<"$out"

echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
