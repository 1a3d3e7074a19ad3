#!/usr/bin/env bash
# The application a user meets (run it inside palimo-session.sh): a fresh home shows the guide,
# which is walked with the keyboard, a real key test and a real rewrite of its sample with the
# global shortcut; the tray menu is read and used over D-Bus as a desktop's tray host would;
# Quit ends palimo with status 0; the next start goes straight to the tray; without any tray
# palimo still runs and says so.
#   tray-system-test.sh PALIMO FAKE_PROVIDER
set -uo pipefail

palimo=${1:?usage: tray-system-test.sh PALIMO FAKE_PROVIDER}
fake_provider=$2
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"
# QSystemTrayIcon's constructor leaves 181 bytes of a D-Bus meta-object inside QtDBus for the
# life of the process (a bare Qt program that shows and deletes one leaks the same); QtDBus is
# built without frame pointers, so no suppression can name it. Leak checks only are off here;
# every other sanitizer check still ends the test.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
settings=${XDG_CONFIG_HOME:-$HOME/.config}/palimo/settings.json
rm -f "$settings" # this test is about the first run

menu() { "$here/tray-menu.py" "$item" "$@" || fail "tray-menu.py $*"; }
menu_shows() { "$here/tray-menu.py" "$item" labels 2>/dev/null | grep -qxF -- "$1"; }
window_shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
completed() { grep -q '"hasCompletedOnboarding": true' "$settings" 2>/dev/null; }
# The guide's controls as a screen reader sees them, to wait for a step instead of sleeping.
guide_ui() { PALIMO_ATSPI_WINDOW='Welcome to Palimo' "$here/../settings/settings-atspi.py" "$@"; }
stored_key() { secret-tool lookup server app.palimo.Palimo user openai-api-key; }
guide_key() { # KEYS...: pressed in the guide's window
  xdotool search --sync --onlyvisible --name 'Welcome to Palimo' windowfocus --sync >/dev/null 2>&1
  xdotool key --delay 80 "$@"
  sleep 0.3 # the step is rebuilt on the next turn of palimo's event loop
}
start_palimo() { # starts palimo and sets $item, the tray item the watcher saw
  local items
  items=$(grep -c StatusNotifierItem "$work/watcher.out")
  PALIMO_API_BASE=http://127.0.0.1:$port palimo_start "$work" "$work/palimo.out"
  pids+=("$palimo_pid")
  eventually 10 log_has 'Hotkeys registered: ⌃⌥R rewrite, ⌃⌥P prompt.' ||
    { echo "palimo did not start" >&2; palimo_check; exit 1; }
  eventually 5 at_least_in "$work/watcher.out" StatusNotifierItem $((items + 1)) ||
    { echo "no tray item was registered" >&2; exit 1; }
  item=$(grep StatusNotifierItem "$work/watcher.out" | tail -n1 | cut -d' ' -f2)
}
at_least_in() { [ "$(grep -c "$2" "$1")" -ge "$3" ]; }
quit_from_menu() {
  menu click 'Quit Palimo'
  eventually 5 bash -c "! kill -0 $palimo_pid 2>/dev/null" || { fail "Quit did not end palimo"; return; }
  local status=0
  wait "$palimo_pid" || status=$?
  palimo_ended=$status
  [ "$status" = 0 ] || { fail "palimo ended with status $status"; palimo_report "$status"; }
}

start_provider "$fake_provider"

case_name=no-tray
XDG_CONFIG_HOME=$work/no-tray PALIMO_API_BASE=http://127.0.0.1:$port \
  palimo_start "$work" "$work/no-tray.out"
pids+=("$palimo_pid")
eventually 15 grep -q 'No system tray in this session' "$work/no-tray.out"
sleep 0.5 # it would end, or say it again, right after the line
palimo_stop || fail "without a tray palimo did not keep running, or did not end cleanly"
[ "$(grep -c 'No system tray in this session' "$work/no-tray.out")" -eq 1 ] ||
  fail "not one line about the missing tray: $(cat "$work/no-tray.out")"

"$here/sni-watcher.py" >"$work/watcher.out" 2>&1 &
pids+=($!)
eventually 5 grep -q ready "$work/watcher.out" || { echo "the watcher did not start" >&2; exit 1; }

case_name=first-run
start_palimo
eventually 5 window_shown 'Welcome to Palimo' || fail "no guide on the first run"
log_has 'Accessibility trusted' && fail "the first run asked for the permission"
log_has 'No API key found' && fail "the first run checked the key"
eventually 3 menu_shows 'Finish setup…' || fail "the menu offers no 'Finish setup…' without a key"
labels=$("$here/tray-menu.py" "$item" labels | tr '\n' '|')
[ "$labels" = "Finish setup…|Settings… Control+,|-|About Palimo|-|Quit Palimo Control+Q|" ] ||
  fail "menu: $labels"

case_name=guide-walk
guide_key Return Return # welcome, then keystrokes can be sent here
guide_ui wait 'OpenAI API key' || fail "no key step"
guide_key s k minus g u i d e Return # into the key field, focused on its step
eventually 5 test "$(stored_key)" = sk-guide || fail "stored key: $(stored_key)"
guide_key Tab Return Return # out of the field, past the key and cost steps
guide_ui wait 'Sample text' || fail "no try-out step"
completed && fail "the guide was completed before the try-out"
xdotool key ctrl+alt+r # the sample sentence is selected in the guide's own box
eventually 5 log_has 'Done in ' || fail "the sample was not rewritten: $(cat "$work/palimo.out")"
guide_key Return
eventually 3 completed || fail "finishing the guide was not stored"
eventually 3 eval "! window_shown 'Welcome to Palimo'" || fail "the guide stayed open"
eventually 3 menu_shows 'Setup…' || fail "the menu does not say 'Setup…' with a key"

case_name=menu-items
menu click 'Settings…'
eventually 5 window_shown 'Palimo Settings' || fail "Settings… opened no window"
menu click 'About Palimo'
eventually 5 window_shown 'About Palimo' || fail "About Palimo opened no window"
menu click 'Setup…'
eventually 5 window_shown 'Welcome to Palimo' || fail "Setup… opened no guide"
quit_from_menu

case_name=second-run
start_palimo
eventually 5 log_has 'Accessibility trusted: true' || fail "no permission check on the next run"
window_shown 'Welcome to Palimo' && fail "the guide came back"
quit_from_menu

finish "tray system test"
