# shellcheck shell=bash
# Sourced by the scripts that drive the real binary on the session's display (system tests and
# benchmarks, run inside palimo-session.sh):
#   source desktop-kit.sh NAME
# gives a work folder ($work) removed on exit together with every process listed in $pids,
# failure counting per case, waits, the fake provider and our Qt test editor.
work=$(mktemp -d "${TMPDIR:-/tmp}/palimo-${1:-desktop}.XXXXXX")
failures=0
pids=()
case_name=start

kit_cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  xdotool keyup ctrl alt 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap kit_cleanup EXIT

fail() { echo "FAIL [$case_name]: $*" >&2; failures=$((failures + 1)); }

# Waits up to SECONDS for COMMAND to succeed.
eventually() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.05
  done
}

# start_provider FAKE_PROVIDER: sets $port; provider JSON changes its replies.
start_provider() {
  "$1" >"$work/provider.out" 2>/dev/null &
  pids+=($!)
  eventually 5 test -s "$work/provider.out" || { echo "the fake provider did not start" >&2; exit 1; }
  port=$(head -n1 "$work/provider.out")
}
provider() { curl -fsS -X POST --data "$1" "http://127.0.0.1:$port/__control" >/dev/null || fail "provider control $1"; }

# start_editor EDITOR: ed COMMAND talks to it; line_is TEXT checks its one-line field.
start_editor() {
  coproc EDITOR { "$1" 2>/dev/null; }
  pids+=($EDITOR_PID)
  exec {editor_in}>&"${EDITOR[1]}" {editor_out}<&"${EDITOR[0]}"
  read -r -t 10 -u "$editor_out" _ || { echo "the editor did not start" >&2; exit 1; }
}
ed() { echo "$1" >&"$editor_in"; read -r -t 5 -u "$editor_out" reply; echo "$reply"; }
line_is() { [ "$(ed 'get line')" = "text \"$1\"" ]; }
# prepare TEXT START LENGTH: the editor's line holds TEXT with a part of it selected, and the
# editor has the keyboard focus (asked of the window manager when there is one).
prepare() {
  ed "set line \"$1\"" >/dev/null
  ed 'focus line' >/dev/null
  local window
  window=$(xdotool search --sync --name 'Palimo test editor' | head -n1)
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window" >/dev/null 2>&1
  ed "select line $2 $3" >/dev/null
}

# own_clipboard PROBE PNG: another application owns the clipboard with text, HTML and a PNG
# (its process in $owner); clipboard_kept PROBE then checks that it still offers exactly that.
own_clipboard() {
  "$1" own "saved text" "<b>saved</b>" "$2" >"$work/probe-owner.out" 2>/dev/null &
  owner=$!
  pids+=($owner)
  eventually 5 grep -q owned "$work/probe-owner.out" || fail "the clipboard owner did not start"
  "$1" dump >"$work/clip-before"
}
clipboard_kept() {
  "$1" dump >"$work/clip-after"
  cmp -s "$work/clip-before" "$work/clip-after" ||
    fail "clipboard not restored: $(tr '\n' '|' <"$work/clip-before") vs $(tr '\n' '|' <"$work/clip-after")"
}
