# shellcheck shell=bash
# Sourced by the system tests that drive the palimo binary: the fake provider, our Qt editor and
# the waits they need. The caller sets work (a temporary folder) and pids (an array to kill).
#   start_provider FAKE_PROVIDER   sets port; provider JSON posts to its control path
#   start_editor EDITOR            ed COMMAND talks to it; prepare TEXT START LENGTH; line_is TEXT
#   eventually SECONDS COMMAND...  retries COMMAND until it succeeds or the time is up

eventually() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

start_provider() {
  "$1" >"$work/provider.out" 2>/dev/null &
  pids+=($!)
  eventually 5 test -s "$work/provider.out" || { echo "the fake provider did not start" >&2; exit 1; }
  port=$(head -n1 "$work/provider.out")
}
provider() { curl -fsS -X POST --data "$1" "http://127.0.0.1:$port/__control" >/dev/null || fail "provider control $1"; }

start_editor() {
  coproc EDITOR { "$1" 2>/dev/null; }
  pids+=($EDITOR_PID)
  exec {editor_in}>&"${EDITOR[1]}" {editor_out}<&"${EDITOR[0]}"
  read -r -t 10 -u "$editor_out" _ || { echo "the editor did not start" >&2; exit 1; }
}
ed() { echo "$1" >&"$editor_in"; read -r -t 5 -u "$editor_out" reply; echo "$reply"; }
line_is() { [ "$(ed 'get line')" = "text \"$1\"" ]; }
prepare() { # TEXT START LENGTH: the line holds TEXT with a part of it selected and focused
  ed "set line \"$1\"" >/dev/null
  ed 'focus line' >/dev/null
  xdotool search --sync --name 'Palimo test editor' windowfocus --sync >/dev/null 2>&1
  ed "select line $2 $3" >/dev/null
}
