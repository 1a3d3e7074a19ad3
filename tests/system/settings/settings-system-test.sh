#!/usr/bin/env bash
# The settings window of the real palimo binary (run it inside palimo-session.sh): opened by a
# second start, read and operated over AT-SPI as a screen reader would, the fake provider set
# as the server and a key saved and tested against it, launch at login, a shortcut recorded
# with real key presses on three keyboard layouts and then used to rewrite text in our Qt
# editor, and a local server's only model picked and used without a key.
#   settings-system-test.sh PALIMO EDITOR FAKE_PROVIDER
set -uo pipefail

palimo=${1:?usage: settings-system-test.sh PALIMO EDITOR FAKE_PROVIDER}
editor=$2 fake_provider=$3
atspi=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/settings-atspi.py
# shellcheck source=../desktop-fixture.sh
source "$(dirname "$atspi")/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$(dirname "$atspi")/../palimo-process.sh"
settings=${XDG_CONFIG_HOME:-$HOME/.config}/palimo/settings.json
autostart=${XDG_CONFIG_HOME:-$HOME/.config}/autostart/palimo.desktop

ui() { "$atspi" "$@" || fail "settings-atspi.py $*"; }
stored() { jq -r ".$1${2:+.$2}" "$settings" 2>/dev/null; } # KEY [FIELD]: a setting or its field
stored_is() { [ "$(stored "${@:1:$#-1}")" = "${!#}" ]; } # KEY [FIELD] VALUE
type_into() { # NAME TEXT: typed with real key presses, then Tab leaves the field
  focus_settings
  ui focus "$1"
  xdotool key ctrl+a && xdotool type --delay 5 -- "$2" && xdotool key Tab
}
test_key() { # KEY MESSAGE: KEY in its field, saved and tested until MESSAGE shows
  ui set-text 'OpenAI API key' "$1"; ui press 'Save and test'; ui wait "$2"
}
described() { [ "$("$atspi" describe "$1")" = "$2" ]; }
# Screen readers' press action clicks a moment later (Qt animates the click): wait for it.
start_recording() {
  ui press 'Rewrite the selection'
  eventually 3 described 'Rewrite the selection' 'Press a combination…' || fail "recording did not start"
}
# A second start opens the running one's settings; once that one is gone it would run on itself.
again() { palimo_check || exit 1; timeout 15 "$palimo" >"${1:-/dev/null}" 2>&1; } # [OUTPUT]
focus_settings() { xdotool search --sync --name 'Palimo Settings' windowfocus --sync >/dev/null 2>&1; }

start_provider "$fake_provider"
start_editor "$editor"

# The server is chosen in the window below, as a user would; nothing in the environment.
unset PALIMO_API_BASE PALIMO_MODEL
palimo_start "$work" "$work/palimo.out"
pids+=("$palimo_pid")
eventually 10 log_has 'Hotkeys registered: ⌃⌥R rewrite, ⌃⌥P prompt.' ||
  { echo "palimo did not start" >&2; palimo_check; exit 1; }

case_name=second-start
again "$work/second.out" ||
  fail "the second start ended with $?: $(cat "$work/second.out")"
grep -q 'Palimo is already running; opened its settings.' "$work/second.out" || fail "no note"
eventually 5 xdotool search --name 'Palimo Settings' >/dev/null || fail "no settings window"
again || fail "the third start failed"
[ "$(xdotool search --name 'Palimo Settings' | wc -l)" -eq 1 ] || fail "more than one window"
[ "$(pgrep -c -f "^$palimo\$")" -eq 1 ] || fail "more than one palimo runs"
gdbus call --session --dest app.palimo.Palimo --object-path /app/palimo/Palimo \
  --method org.freedesktop.Application.ActivateAction quit '[]' '{}' >"$work/quit.out" 2>&1 &&
  fail "an unknown action was answered as done"
grep -q 'Palimo has no action "quit"' "$work/quit.out" || fail "no reason: $(cat "$work/quit.out")"
eventually 3 log_has 'Ignored the unknown action "quit".' || fail "an unknown action was not ignored"

case_name=reachability
eventually 5 "$atspi" check >/dev/null 2>&1
ui check

case_name=server
ui tab General
type_into 'Server address' http://10.0.0.7:8080
ui wait 'Not saved: "http://10.0.0.7:8080" uses plain http, which would send the key unencrypted; use https (http is allowed only for localhost, 127.0.0.0/8 and ::1).'
grep -q apiBaseURL "$settings" 2>/dev/null && fail "a plain-http remote address was saved"
type_into 'Server address' "http://127.0.0.1:$port"
eventually 3 stored_is apiBaseURL "http://127.0.0.1:$port" || fail "the server was not saved"

case_name=key
provider '{"models": {"mode": "status", "status": 401, "body": "{}"}}'
test_key sk-refused 'OpenAI rejected this key. Check it was copied in full.'
provider '{"models": {"mode": "status", "status": 200, "body": "{}"}}'
test_key ' sk-works ' 'Key works'
[ "$(secret-tool lookup server app.palimo.Palimo user openai-api-key)" = sk-works ] ||
  fail "stored key: $(secret-tool lookup server app.palimo.Palimo user openai-api-key)"

case_name=general-switches
ui press 'Play a sound when the text is replaced'
eventually 3 stored_is soundEnabled false || fail "the sound setting was not saved"
ui press 'Start Palimo when I log in'
eventually 3 test -f "$autostart" || fail "no autostart entry"
grep -qxF "Exec=\"$palimo\"" "$autostart" || fail "autostart entry: $(cat "$autostart")"
[ "$("$atspi" checked 'Start Palimo when I log in')" = true ] || fail "the switch is off"
ui press 'Start Palimo when I log in'
eventually 3 test ! -e "$autostart" || fail "the autostart entry stayed"
mkdir -p "$autostart" # a folder in its place: the write is refused
ui press 'Start Palimo when I log in'
ui wait "Your system refused this. Check your desktop's autostart settings."
[ "$("$atspi" checked 'Start Palimo when I log in')" = false ] || fail "the switch did not snap back"
log_has 'Could not change launch at login: Could not write' || fail "no log line"
rmdir "$autostart"

case_name=styles # (SettingsViewsTest leaves adding, blanking and removing a style to this case)
ui tab Styles
ui press 'Add style'
ui wait 'New style'
ui set-text Name ''
ui wait Untitled
eventually 3 grep -q '"name": ""' "$settings" || fail "the empty name was not saved"
ui press 'Remove style'
eventually 3 bash -c "! grep -q '\"name\": \"\"' '$settings'" || fail "the style was not removed"

case_name=record-grabbed
ui tab Shortcut
focus_settings
captures=$(log_count 'Captured ')
start_recording
xdotool key ctrl+alt+p # the prompt shortcut, grabbed until recording started
eventually 3 described 'Rewrite the selection' '⌃⌥P' || fail "recorded $("$atspi" describe 'Rewrite the selection')"
ui wait "Both shortcuts are the same, so this one won't work."
[ "$(log_count 'Captured ')" -eq "$captures" ] || fail "the press started a rewrite"
eventually 3 log_has 'Hotkeys registered: ⌃⌥P rewrite.' || fail "not registered"

case_name=escape
start_recording
xdotool key Escape
sleep 0.3
described 'Rewrite the selection' '⌃⌥P' || fail "Escape changed it: $("$atspi" describe 'Rewrite the selection')"

for layout in "fr" "us -variant dvorak" "us"; do
  case_name="layout $layout"
  # shellcheck disable=SC2086 # the layout and its variant are two arguments
  setxkbmap $layout || fail "setxkbmap $layout"
  registered=$(log_count 'Hotkeys registered: ⌃⌥Q rewrite')
  start_recording
  xdotool key ctrl+alt+24 # the key right of Tab: Q, A on AZERTY, ' on Dvorak
  eventually 3 at_least 'Hotkeys registered: ⌃⌥Q rewrite' $((registered + 1)) ||
    fail "no new ⌃⌥Q registration"
  stored_is rewriteHotkey keyCode 12 || fail "stored $(stored rewriteHotkey keyCode)"
  described 'Rewrite the selection' '⌃⌥Q' || fail "shown as $("$atspi" describe 'Rewrite the selection')"
done

case_name=record-and-use
start_recording
xdotool key ctrl+alt+t
eventually 3 stored_is rewriteHotkey keyCode 17 || fail "stored $(stored rewriteHotkey keyCode)"
eventually 3 log_has 'Hotkeys registered: ⌃⌥T rewrite, ⌃⌥P prompt.' || fail "⌃⌥T not registered"
prepare "recorded shortcut" 0 8
xdotool key ctrl+alt+t
becomes "RECORDED shortcut"

case_name=local-model
# A server that has only llama3.2 and needs no key: picked, confirmed, used, not priced.
provider '{"offers": ["llama3.2"], "chat": {"mode": "uppercase", "promptTokens": 120, "completionTokens": 3}}'
again || fail "the settings did not open again"
ui tab General
test_key '' 'This server does not offer the model "gpt-4o-mini". It offers: llama3.2.'
type_into Model llama3.2
eventually 3 stored_is model llama3.2 || fail "the model was not saved"
test_key '' 'Key works'
[ -z "$(secret-tool lookup server app.palimo.Palimo user openai-api-key)" ] || fail "a key is kept"
prepare "local model" 0 5
xdotool key ctrl+alt+t
becomes "LOCAL model"
log_has 'OpenAI (llama3.2, defaultInstructions) replied in ' || fail "no llama3.2 reply line"
again || fail "the settings did not open again"
ui wait '2 rewrites this month, under 1 cent in API costs for 1 of them, and 123 tokens with no known price.'

palimo_stop || fail "palimo did not end cleanly"
finish "settings system test"
