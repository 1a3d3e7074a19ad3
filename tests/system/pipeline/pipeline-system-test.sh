#!/usr/bin/env bash
# The rewrite pipeline end to end on a real X display (run it inside palimo-session.sh):
# the driver wires the real backends and the real model client against palimo-fake-provider,
# and rewrites text in our Qt editor, in mousepad (GTK) and in xterm.
#   pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]
# BIN_DIR holds palimo-pipeline-driver, palimo-test-editor and palimo-clipboard-probe.
set -uo pipefail

bin=${1:?usage: pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]}
fake_provider=${2:?usage: pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]}
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/palimo-pipeline.XXXXXX")
failures=0
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  xdotool keyup ctrl alt shift 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL [$case_name]: $*" >&2
  failures=$((failures + 1))
  case_failed=1
}

expect_eq() { # WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

expect_line() { # PATTERN (grep -E) in the last run's output
  grep -qE -- "$1" "$work/run.out" || fail "no line matching [$1] in: $(tr '\n' '|' <"$work/run.out")"
}

expect_no_line() {
  ! grep -qE -- "$1" "$work/run.out" || fail "unexpected line matching [$1]"
}

# --- the provider ------------------------------------------------------------------------------
"$fake_provider" >"$work/provider.out" 2>"$work/provider.err" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/provider.out" ] && break; sleep 0.02; done
port=$(head -n1 "$work/provider.out")
[ -n "$port" ] || { echo "the fake provider did not start" >&2; exit 1; }
export PALIMO_API_BASE=http://127.0.0.1:$port

provider() { # JSON for POST /__control
  python3 - "$port" "$1" <<'PY'
import sys, urllib.request
req = urllib.request.Request(f"http://127.0.0.1:{sys.argv[1]}/__control", data=sys.argv[2].encode(),
                             headers={"Content-Type": "application/json"}, method="POST")
urllib.request.urlopen(req, timeout=5).read()
PY
}

# --- the driver --------------------------------------------------------------------------------
coproc DRIVER { "$bin/palimo-pipeline-driver" 2>&1; }
pids+=($DRIVER_PID)
exec {driver_in}>&"${DRIVER[1]}" {driver_out}<&"${DRIVER[0]}"
read -r -t 10 -u "$driver_out" line && [ "$line" = ready ] || { echo "driver: $line" >&2; exit 1; }

run() { # COMMAND: one run, its output in $work/run.out
  echo "$1" >&"$driver_in"
  : >"$work/run.out"
  while read -r -t 20 -u "$driver_out" line; do
    echo "$line" >>"$work/run.out"
    [ "$line" = finished ] && return 0
  done
  fail "the run did not finish: $(tr '\n' '|' <"$work/run.out")"
}

# --- the Qt editor -----------------------------------------------------------------------------
{ coproc EDITOR { "$bin/palimo-test-editor" 2>"$work/editor.err"; }; } 2>/dev/null # (a second coproc warns)
pids+=($EDITOR_PID)
exec {editor_in}>&"${EDITOR[1]}" {editor_out}<&"${EDITOR[0]}"
read -r -t 10 -u "$editor_out" line || { echo "editor did not start" >&2; exit 1; }
editor_window=${line#ready }

editor() { # COMMAND -> $reply
  echo "$1" >&"$editor_in"
  read -r -t 5 -u "$editor_out" reply || reply="(no answer)"
}

# --- the clipboard -----------------------------------------------------------------------------
owner_pid=
own_clipboard() {
  [ -z "$owner_pid" ] || kill "$owner_pid" 2>/dev/null
  "$bin/palimo-clipboard-probe" own "user's text" "<p>user's <b>text</b></p>" \
    "$here/sample.png" >"$work/owner.out" 2>/dev/null &
  owner_pid=$!
  pids+=("$owner_pid")
  for _ in $(seq 100); do grep -q owned "$work/owner.out" 2>/dev/null && break; sleep 0.02; done
  "$bin/palimo-clipboard-probe" dump >"$work/clipboard.before"
  grep -q '^image/png ' "$work/clipboard.before" && grep -q '^text/html ' "$work/clipboard.before" ||
    fail "the test clipboard is not set up: $(cat "$work/clipboard.before")"
}

expect_clipboard_back() {
  "$bin/palimo-clipboard-probe" dump >"$work/clipboard.after"
  cmp -s "$work/clipboard.before" "$work/clipboard.after" ||
    fail "clipboard differs after the run: $(diff "$work/clipboard.before" "$work/clipboard.after" | tr '\n' '|')"
}

qt_field() { # FIELD TEXT START LENGTH: text in a field of the Qt editor, focused, selected
  editor "set $1 $(python3 -c 'import json,sys; print(json.dumps(sys.argv[1]))' "$2")"
  editor "focus $1"
  editor "select $1 $3 $4"
  xdotool windowfocus --sync "$editor_window" 2>/dev/null
  editor "keys" # forget earlier keys
}

qt_text() { editor "get $1"; echo "${reply#text }"; }

# --- cases -------------------------------------------------------------------------------------
case_qt_selection() {
  own_clipboard
  qt_field line "say hello world" 4 5
  run run
  expect_eq "line" '"say HELLO world"' "$(qt_text line)"
  expect_line '^\[Palimo\] Captured 5 chars in [0-9]+ ms\.$'
  expect_line '^\[Palimo\] OpenAI \(gpt-4o-mini, defaultInstructions\) replied in [0-9]+ ms, [0-9]+ in / [0-9]+ out tokens\.$'
  expect_line '^\[Palimo\] Done in [0-9]+\.[0-9]{2} s total\.$'
  expect_line '^feedback succeeded$'
  expect_clipboard_back
  editor keys
  expect_eq "keys the editor saw" '["Ctrl+C","Ctrl+V"]' "${reply#keys }"
}

case_qt_whole_field() {
  own_clipboard
  qt_field area $'first line\nsecond line' 0 0
  run run
  expect_eq "area" '"FIRST LINE\nSECOND LINE"' "$(qt_text area)"
  expect_line '^\[Palimo\] Nothing selected — taking the whole field\.$'
  expect_line '^\[Palimo\] Captured 22 chars in [0-9]+ ms\.$'
  expect_clipboard_back
}

case_qt_button() {
  own_clipboard
  editor "focus button"
  xdotool windowfocus --sync "$editor_window" 2>/dev/null
  run run
  expect_line '^\[Palimo\] Nothing selected and the focus is a AXButton, not a text field\. Aborting\.$'
  expect_line '^\[Palimo\] No selection captured \([0-9]+ ms\)\. Aborting\.$'
  expect_line '^feedback failed Nothing to rewrite\.$'
  expect_clipboard_back
}

case_provider_error() {
  own_clipboard
  provider '{"chat": {"mode": "status", "status": 500, "body": "{\"error\": \"overloaded\"}"}}'
  qt_field line "keep me as I am" 0 7
  run run
  provider '{"chat": {"mode": "uppercase"}}'
  expect_eq "line" '"keep me as I am"' "$(qt_text line)"
  expect_line '^\[Palimo\] Rewrite failed: OpenAI returned HTTP 500: \{"error": "overloaded"\}$'
  expect_line '^feedback failed OpenAI returned an error \(500\)\.$'
  expect_clipboard_back
}

case_cancelled() {
  own_clipboard
  provider '{"chat": {"mode": "uppercase", "delayMs": 8000}}'
  qt_field line "slow provider" 0 4
  echo "cancel-after 300" >&"$driver_in"
  read -r -t 5 -u "$driver_out" line
  local started=$SECONDS
  run run
  provider '{"chat": {"mode": "uppercase"}}'
  [ $((SECONDS - started)) -lt 5 ] || fail "cancelling did not end the run at once"
  expect_eq "line" '"slow provider"' "$(qt_text line)"
  expect_line '^\[Palimo\] Cancelled with Escape\.$'
  expect_line '^feedback cancelled$'
  expect_no_line 'Rewrite failed'
  expect_clipboard_back
}

case_prompt() {
  own_clipboard
  qt_field line "quiet words here" 6 5
  run 'prompt-panel 300 "Make it loud"'
  expect_eq "line" '"quiet WORDS here"' "$(qt_text line)"
  expect_line '^\[Palimo\] OpenAI \(gpt-4o-mini, customPrompt\) replied in'
  expect_clipboard_back
  # A blank answer ends the run and touches nothing.
  qt_field line "quiet words here" 6 5
  run 'prompt "   "'
  expect_line '^\[Palimo\] Prompt cancelled\.$'
  expect_eq "line" '"quiet words here"' "$(qt_text line)"
  expect_clipboard_back
}

case_late_paste() {
  # The editor reads the clipboard 700 ms after Ctrl+V: the user's clipboard must not come back
  # before that, or the old clipboard is what gets pasted.
  own_clipboard
  editor "paste-delay 700"
  qt_field line "late reader" 0 4
  run run
  sleep 0.3 # the paste itself happens after the run has ended; let it show
  editor "paste-delay 0"
  expect_eq "line" '"LATE reader"' "$(qt_text line)"
  expect_clipboard_back
}

case_empty_clipboard() {
  [ -z "$owner_pid" ] || kill "$owner_pid" 2>/dev/null
  owner_pid=
  "$bin/palimo-clipboard-probe" clear
  expect_eq "clipboard before" empty "$("$bin/palimo-clipboard-probe" dump)"
  qt_field line "nothing on the clipboard" 0 7
  run run
  expect_eq "line" '"NOTHING on the clipboard"' "$(qt_text line)"
  expect_eq "clipboard after" empty "$("$bin/palimo-clipboard-probe" dump)"
}

case_held_modifiers() {
  own_clipboard
  qt_field line "held keys" 0 4
  xdotool keydown ctrl alt
  run run
  xdotool keyup ctrl alt
  expect_eq "line" '"HELD keys"' "$(qt_text line)"
  editor keys
  expect_eq "keys the editor saw" '["Ctrl+C","Ctrl+V"]' "${reply#keys }"
  expect_clipboard_back
}

mousepad_pid=
mousepad_window=
start_mousepad() { # TEXT
  [ -z "$mousepad_pid" ] || kill "$mousepad_pid" 2>/dev/null
  printf '%s' "$1" >"$work/mousepad.txt"
  mousepad --disable-server "$work/mousepad.txt" >"$work/mousepad.log" 2>&1 &
  mousepad_pid=$!
  pids+=("$mousepad_pid")
  mousepad_window=$(xdotool search --sync --onlyvisible --pid "$mousepad_pid" --class mousepad | tail -n1)
  xdotool windowfocus --sync "$mousepad_window"
  for _ in $(seq 100); do "$here/atspi-text.py" mousepad >/dev/null 2>&1 && break; sleep 0.05; done
}

mousepad_text() { "$here/atspi-text.py" mousepad; }

case_mousepad_selection() {
  own_clipboard
  start_mousepad "hello world, from GTK"
  xdotool key ctrl+Home shift+ctrl+Right
  run run
  expect_eq "mousepad" '"HELLO world, from GTK"' "$(mousepad_text)"
  expect_line '^\[Palimo\] Captured 5 chars in [0-9]+ ms\.$'
  expect_clipboard_back
}

case_mousepad_whole_field() {
  own_clipboard
  xdotool windowfocus --sync "$mousepad_window"
  xdotool key ctrl+End
  run run
  expect_line '^\[Palimo\] Nothing selected — taking the whole field\.$'
  expect_eq "mousepad" '"HELLO WORLD, FROM GTK"' "$(mousepad_text)"
  expect_clipboard_back
}

case_terminal() {
  own_clipboard
  # xterm copies and pastes the CLIPBOARD with Ctrl+Shift+C/V only when told to, as users do.
  local translations='#override \n Shift Ctrl <Key>C: copy-selection(CLIPBOARD) \n'
  translations+=' Shift Ctrl <Key>V: insert-selection(CLIPBOARD)'
  xterm -geometry 60x8+0+0 -xrm "XTerm*VT100.translations: $translations" \
    -e sh -c 'echo "hello terminal"; head -n1 > "$0"; echo done >> "$0"; sleep 30' "$work/terminal.out" \
    2>/dev/null &
  local xterm_pid=$!
  pids+=("$xterm_pid")
  local window
  window=$(xdotool search --sync --onlyvisible --pid "$xterm_pid" | tail -n1)
  xdotool windowfocus --sync "$window"
  sleep 0.3
  xdotool mousemove --window "$window" 12 8 click --repeat 2 --delay 80 1 # double-click "hello"
  sleep 0.2
  run run
  xdotool key Return
  for _ in $(seq 50); do grep -q done "$work/terminal.out" 2>/dev/null && break; sleep 0.05; done
  expect_line '^\[Palimo\] Captured 5 chars in [0-9]+ ms\.$'
  expect_eq "what the program read" "HELLO" "$(head -n1 "$work/terminal.out" 2>/dev/null)"
  kill "$xterm_pid" 2>/dev/null
  expect_clipboard_back
}

all_cases=(qt_selection qt_whole_field qt_button provider_error cancelled held_modifiers prompt late_paste
  mousepad_selection mousepad_whole_field terminal empty_clipboard)
[ $# -gt 0 ] && all_cases=("$@")
for case_name in "${all_cases[@]}"; do
  case_failed=0
  started=${EPOCHREALTIME/./}
  "case_$case_name"
  printf '%s %s (%d ms)\n' "$([ $case_failed = 0 ] && echo PASS || echo FAIL)" "$case_name" \
    $(((${EPOCHREALTIME/./} - started) / 1000))
done
echo quit >&"$driver_in"
echo quit >&"$editor_in"
[ "$failures" = 0 ] && echo "all pipeline cases passed" && exit 0
echo "$failures check(s) failed" >&2
exit 1
