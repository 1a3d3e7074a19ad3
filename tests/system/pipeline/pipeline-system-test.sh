#!/usr/bin/env bash
# The rewrite pipeline end to end on a real X display (run it inside palimo-session.sh): the
# driver wires the real backends and the real model client against palimo-fake-provider, and
# rewrites text in our Qt editor, mousepad (GTK 3), a GTK 4 window, Chromium, Firefox and two
# terminals (xterm, VTE). Before every case the user's clipboard holds text, HTML and a PNG; after it, the
# clipboard must be back byte for byte (a terminal case leaves the rewrite there on purpose).
#   pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]
# BIN_DIR holds palimo-pipeline-driver, palimo-test-editor and palimo-clipboard-probe.
set -uo pipefail

bin=${1:?usage: pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]}
fake_provider=${2:?usage: pipeline-system-test.sh BIN_DIR FAKE_PROVIDER [CASE ...]}
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
expect_eq() { # WHAT EXPECTED ACTUAL; a failure shows what the last run logged
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3] after: $(tr '\n' '|' <"$work/run.out")"
}
expect_line() { # PATTERN (grep -E) in the last run's output
  grep -qE -- "$1" "$work/run.out" || fail "no line [$1] in: $(tr '\n' '|' <"$work/run.out")"
}

start_provider "$fake_provider"
export PALIMO_API_BASE=http://127.0.0.1:$port
start_driver "$bin/palimo-pipeline-driver"
start_editor "$bin/palimo-test-editor"
qt_text() { reply=$(ed "get $1") && echo "${reply#text }"; }
focus_window() { # SEARCH...: the newest window xdotool finds gets the focus, as $window
  # A starting browser makes and drops windows: a search can die on one that just went.
  found() { window=$(xdotool search --onlyvisible "$@" 2>/dev/null | tail -n1); [ -n "$window" ]; }
  eventually 30 found "$@" && timeout 5 xdotool windowfocus --sync "$window" || fail "no window $*"
}

# --- cases -------------------------------------------------------------------------------------
case_qt_selection() { # the user still holds the hotkey's Ctrl+Alt: the editor sees plain Ctrl+C/V
  prepare "say hello world" 4 5
  ed keys >/dev/null # forget earlier keys
  xdotool keydown ctrl alt
  drive run
  xdotool keyup ctrl alt
  expect_eq line '"say HELLO world"' "$(qt_text line)"
  expect_eq "keys the editor saw" 'keys ["Ctrl+C","Ctrl+V"]' "$(ed keys)"
}

case_qt_whole_field() {
  prepare 'first line\nsecond line' 0 0 area
  drive run
  expect_eq area '"FIRST LINE\nSECOND LINE"' "$(qt_text area)"
  expect_line '^\[Palimo\] Nothing selected — taking the whole field\.$'
}

case_not_a_text_field() { # a button, then a password field, with nothing selected
  ed "focus button" >/dev/null
  xdotool windowfocus --sync "$editor_window"
  drive run
  expect_line '^\[Palimo\] Nothing selected and the focus is a AXButton, not a text field\. Aborting\.$'
  expect_line '^\[Palimo\] No selection captured \([0-9]+ ms\)\. Aborting\.$' # its form is checked only here
  prepare hunter2 0 0 password
  drive run
  expect_line '^\[Palimo\] Nothing selected and the focus is a AXSecureTextField, not a text field\. Aborting\.$'
  expect_eq password '"hunter2"' "$(qt_text password)"
}

case_late_paste() { # the editor reads the clipboard 700 ms after Ctrl+V: restore must wait
  ed "paste-delay 700" >/dev/null
  prepare "late reader" 0 4
  drive run
  ed "paste-delay 0" >/dev/null
  becomes "LATE reader" # the paste itself shows after the run has ended
}

mousepad_text() { "$here/../settings/settings-atspi.py" text mousepad 2>/dev/null; }
case_mousepad() { # a selection, then the whole field, in a real GTK editor
  printf 'hello world, from GTK' >"$work/mousepad.txt"
  mousepad --disable-server "$work/mousepad.txt" >"$work/mousepad.log" 2>&1 &
  pids+=($!)
  local window
  focus_window --pid "${pids[-1]}" --class mousepad
  eventually 5 mousepad_text >/dev/null
  xdotool key ctrl+Home shift+ctrl+Right
  drive run
  expect_eq mousepad '"HELLO world, from GTK"' "$(mousepad_text)"
  xdotool key ctrl+End
  drive run
  expect_line '^\[Palimo\] Nothing selected — taking the whole field\.$'
  expect_eq mousepad '"HELLO WORLD, FROM GTK"' "$(mousepad_text)"
}

case_gtk4_whole_field() { # GTK 4 has no AT-SPI cache: its focus must be found all the same
  local out=$work/gtk4.out
  "$here/gtk4-editor.py" "$out" "gtk four entry" $'first line\nsecond' entry 2>"$work/gtk4.err" &
  pids+=($!)
  local window
  focus_window --name 'Palimo GTK 4 editor'
  eventually 5 test -s "$out"
  drive press # the shortcut's keyboard grab takes the focus away for a moment
  expect_line '^\[Palimo\] Nothing selected — taking the whole field\.$'
  expect_eq "GTK 4 entry" '"GTK FOUR ENTRY"' "$(head -n1 "$out")"
  xdotool mousemove --window "$window" 40 60 click 1 # into the text view, nothing selected
  drive press
  expect_eq "GTK 4 text view" '"FIRST LINE\nSECOND"' "$(tail -n1 "$out")"
  kill "${pids[-1]}"
}

# A browser's text area: a selection with the shortcut's modifiers still held, the whole field,
# Escape during the model call. The page mirrors its text into its title, which the window's
# name shows. Chromium (Electron applications too) joins the accessibility bus only when started
# with ACCESSIBILITY_ENABLED=1 or GNOME_ACCESSIBILITY=1, and then shows its page once Palimo asks;
# Firefox with GNOME_ACCESSIBILITY=1. Started without, the whole field is refused with a line
# that says so, and a selection works all the same.
browser_case() { # LAUNCH... ($unexposed=1: the browser is not on the accessibility bus)
  printf '%s' '<title>T:hello from a browser</title><textarea autofocus
    oninput="document.title=String.fromCharCode(84,58)+this.value">hello from a browser</textarea>' \
    >"$work/page.html"
  "$@" >"$work/browser.log" 2>&1 &
  pids+=($!)
  local window
  focus_window --name '^T:hello'
  title() { xdotool getwindowname "$window" | sed -E 's/ [-—] (Chromium|Mozilla Firefox)$//'; }
  title_is() { [ "$(title)" = "$1" ]; }
  expect_title() { # WHAT EXPECTED: the page's title (its text) once it reads so, within 5 s
    eventually 5 title_is "$2" || expect_eq "$1" "$2" "$(title)"
  }
  sleep 0.5 # the page's own focus handling settles
  xdotool key ctrl+Home shift+ctrl+Right
  xdotool keydown ctrl alt # the user still holds the shortcut's modifiers
  drive run
  xdotool keyup ctrl alt
  expect_title "after a selection" "T:HELLO from a browser"
  xdotool key ctrl+End
  local whole="T:HELLO FROM A BROWSER"
  local said='^\[Palimo\] Nothing selected — taking the whole field\.$'
  if [ "${unexposed:-0}" = 1 ]; then
    whole="T:HELLO from a browser"
    said='^\[Palimo\] Nothing selected, and the application in front shows no text fields to accessibility tools: select the text first, or start the application with GNOME_ACCESSIBILITY=1'
  else
    # A loaded machine's browser takes seconds to show its text area to accessibility tools
    # (Palimo waits five at a press); waiting for it here keeps the press below about the field.
    for _ in 1 2 3 4; do
      drive focus && grep -q '^focus found AXTextArea$' "$work/run.out" && break
    done
  fi
  drive press
  # After the shortcut's keyboard grab Chromium may show no focused element for seconds (1 press
  # in 5 under the sanitizer build; the cause is not found yet): one more press.
  grep -q 'no focused element' "$work/run.out" && [ "${unexposed:-0}" != 1 ] && drive press
  expect_line "$said"
  expect_title "after the whole field" "$whole"
  provider '{"chat": {"mode": "uppercase", "delayMs": 8000}}'
  xdotool key ctrl+a
  (sleep 0.5 && xdotool key Escape) & # the real key, half a second after the shortcut
  drive press
  provider '{"chat": {"mode": "uppercase"}}'
  expect_line '^feedback cancelled$'
  expect_title "after Escape" "$whole"
  kill "${pids[-1]}"
  wait "${pids[-1]}" 2>/dev/null # its window is gone before the next browser's is looked for
}
chromium_case() {
  browser_case chromium --no-sandbox --user-data-dir="$(mktemp -d "$work/chromium.XXXXXX")" \
    --disable-background-networking --disable-component-update --disable-sync --no-first-run \
    --window-size=500,300 --window-position=0,0 "file://$work/page.html"
}
case_chromium() { ACCESSIBILITY_ENABLED=1 chromium_case; }
case_chromium_unexposed() { unexposed=1 chromium_case; }
case_firefox() { # one process, no sandbox: its content processes cannot start as root here
  mkdir -p "$work/firefox"
  printf 'user_pref("%s", %s);\n' browser.shell.checkDefaultBrowser false \
    datareporting.policy.dataSubmissionEnabled false browser.tabs.remote.autostart false \
    fission.autostart false app.update.enabled false >"$work/firefox/user.js"
  GNOME_ACCESSIBILITY=1 MOZ_DISABLE_CONTENT_SANDBOX=1 browser_case firefox-esr --no-remote --profile "$work/firefox" \
    --width 500 --height 300 "file://$work/page.html"
}

terminal_case() { # CLASS Y COMMAND...: "hello" (first line, at Y) selected in a terminal
  local class=$1 y=$2
  shift 2
  "$@" sh -c 'echo "hello terminal"; echo $$ > "$0"; exec sleep 60' "$work/program.pid" \
    >/dev/null 2>&1 &
  pids+=($!)
  local window
  focus_window --class "$class"
  eventually 5 test -s "$work/program.pid"
  sleep 0.3 # the first line is drawn
  xdotool mousemove --window "$window" 12 "$y" click --repeat 2 --delay 80 1 # double-click "hello"
  sleep 0.2
  drive run
  expect_line '^\[Palimo\] Captured 5 chars in [0-9]+ ms\.$'
  expect_line '^\[Palimo\] The rewrite is on the clipboard: paste it with Ctrl\+Shift\+V\.$'
  kill -0 "$(cat "$work/program.pid")" 2>/dev/null || fail "the program in the terminal was stopped"
  clipboard=$(timeout 5 xclip -o -selection clipboard)
  [ "$clipboard" = HELLO ] || fail "the clipboard holds [$clipboard], not the rewrite HELLO"
  rewrite_left=1
  kill "${pids[-1]}" "$(cat "$work/program.pid")" 2>/dev/null
  rm -f "$work/program.pid"
}
# No key reaches a terminal (xterm's Ctrl+C and Ctrl+Shift+C are both ^C); its selection is read
# as it stands and the rewrite stays on the clipboard.
case_xterm() { terminal_case xterm 10 xterm -geometry 60x8+0+0 -e; }
case_vte_terminal() { terminal_case lxterminal 36 lxterminal --no-remote --geometry=60x8 -e; }

# (A server error, Escape and the prompt panel are tried with the palimo binary itself by
# palimo-app-test.sh, hostile-server-test.sh and feedback-system-test.sh; an empty clipboard by
# the soak.)
cases=(qt_selection qt_whole_field not_a_text_field late_paste mousepad gtk4_whole_field chromium
  chromium_unexposed firefox xterm vte_terminal)
[ $# -gt 0 ] && cases=("$@")
for case_name in "${cases[@]}"; do
  case_failed=0
  rewrite_left=0 # set by a case that leaves the rewrite on the clipboard on purpose
  started=${EPOCHREALTIME/./}
  kill "${owner:-}" 2>/dev/null
  own_clipboard "$bin/palimo-clipboard-probe" "$here/sample.png"
  "case_$case_name"
  [ "$rewrite_left" = 1 ] || clipboard_kept "$bin/palimo-clipboard-probe"
  printf '%s %s (%d ms)\n' "$([ $case_failed = 0 ] && echo PASS || echo FAIL)" "$case_name" \
    $(((${EPOCHREALTIME/./} - started) / 1000))
done
finish "pipeline system test"
