# shellcheck shell=bash
# Sourced by the shell system tests that drive palimo against the fake provider and our Qt
# editor. Sets up $work (a scratch folder, gone at exit), pids (processes stopped at exit),
# failures and case_name; defines:
#   fail MESSAGE                    counts a failure of the current case
#   finish NAME                     the end: palimo's output (if any) and status 1 after a failure
#   log_count TEXT, at_least TEXT N how often palimo's output ($work/palimo.out) holds TEXT;
#   log_has TEXT                    ...at least once
#   eventually SECONDS COMMAND...   waits up to SECONDS for COMMAND to succeed
#   start_provider FAKE_PROVIDER    sets $port; provider JSON scripts its replies
#   start_editor EDITOR             ed COMMAND talks to it ($editor_window); line_is TEXT;
#                                   prepare TEXT START LENGTH [FIELD]; becomes TEXT (within 5 s)
#   start_driver DRIVER             the pipeline driver; drive COMMAND [DURING] is one run ("press":
#                                   the real shortcut; DURING runs once the model call started),
#                                   its output in $work/run.out
#   own_clipboard PROBE PNG         another application owns text, HTML and a PNG ($owner);
#   clipboard_kept PROBE            ...and still offers exactly that

work=$(mktemp -d "${TMPDIR:-/tmp}/palimo-test.XXXXXX")
failures=0
pids=()
case_name=start

stop_everything() {
  # A child shell signalled before it has exec'd runs this trap too (bash does); only the test
  # itself may stop everything. (BASHPID read straight into [ gave the parent's pid in a child.)
  local me=$BASHPID
  [ "$me" = "$$" ] || return 0
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  xdotool keyup ctrl alt 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap stop_everything EXIT

# These tests are about a Palimo that is set up; the first-run guide has a test of its own.
palimo_settings=${XDG_CONFIG_HOME:-$HOME/.config}/palimo/settings.json
[ -e "$palimo_settings" ] ||
  { mkdir -p "${palimo_settings%/*}" && echo '{"hasCompletedOnboarding": true}' >"$palimo_settings"; }

fail() { echo "FAIL [$case_name]: $*" >&2; failures=$((failures + 1)) case_failed=1; }
finish() {
  [ $failures -eq 0 ] && echo "$1: all cases passed" && return
  [ ! -e "$work/palimo.out" ] || { echo "--- palimo output" && cat "$work/palimo.out"; }
  exit 1
}
log_count() { grep -cF -- "$1" "$work/palimo.out"; }
at_least() { [ "$(log_count "$1")" -ge "$2" ]; }
log_has() { grep -qF -- "$1" "$work/palimo.out"; }

eventually() {
  local seconds=$1; shift
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
  { coproc EDITOR { "$1" 2>/dev/null; }; } 2>/dev/null # (bash warns of a second coproc)
  pids+=($EDITOR_PID)
  exec {editor_in}>&"${EDITOR[1]}" {editor_out}<&"${EDITOR[0]}"
  local line
  read -r -t 10 -u "$editor_out" line || { echo "the editor did not start" >&2; exit 1; }
  editor_window=${line#ready }
}
ed() { echo "$1" >&"$editor_in"; read -r -t 5 -u "$editor_out" reply; echo "$reply"; }
line_is() { [ "$(ed 'get line')" = "text \"$1\"" ]; }
becomes() { eventually 5 line_is "$1" || fail "the line is $(ed 'get line'), expected \"$1\""; }
prepare() { # TEXT START LENGTH [FIELD]: FIELD (line) holds TEXT, a part of it selected, focused
  ed "set ${4:-line} \"$1\"" >/dev/null
  ed "focus ${4:-line}" >/dev/null
  # Under a window manager the focus is asked of it; without one it is set directly.
  xdotool windowactivate --sync "$editor_window" >/dev/null 2>&1 ||
    xdotool windowfocus --sync "$editor_window" >/dev/null 2>&1
  ed "select ${4:-line} $2 $3" >/dev/null
}

start_driver() {
  { coproc DRIVER { "$1" 2>&1; }; } 2>/dev/null
  pids+=("$DRIVER_PID")
  exec {driver_in}>&"${DRIVER[1]}" {driver_out}<&"${DRIVER[0]}"
  local line
  read -r -t 10 -u "$driver_out" line && [ "$line" = ready ] || { echo "driver: $line" >&2; exit 1; }
}
drive() {
  if [ "$1" = press ]; then xdotool key ctrl+alt+r; else echo "$1" >&"$driver_in"; fi
  : >"$work/run.out"
  local during=${2:-} line
  while read -r -t 30 -u "$driver_out" line; do
    echo "$line" >>"$work/run.out"
    if [ -n "$during" ] && [ "$line" = "feedback working" ]; then
      sleep 0.1
      $during
      during=
    fi
    [ "$line" = finished ] && return 0
  done
  fail "the run did not finish: $(tr '\n' '|' <"$work/run.out")"
}

own_clipboard() {
  : >"$work/probe-owner.out" # the probe truncates it only once it runs: no stale "owned"
  printf 'saved text' >"$work/saved.txt" && printf '<b>saved</b>' >"$work/saved.html"
  "$1" own text/plain="$work/saved.txt" text/html="$work/saved.html" image/png="$2" \
    >"$work/probe-owner.out" 2>/dev/null &
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
