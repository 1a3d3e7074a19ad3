#!/usr/bin/env bash
# The palimo binary on a headless Wayland compositor (sway or kwin_wayland), with Qt 6 and GTK 4
# editors as Wayland clients. A real key press (sway: a virtual keyboard's Ctrl+Alt+R, which the
# binding Palimo made through sway's socket turns into a binding event; KWin: fake-input's, which
# reaches Palimo through KDE's shortcut service) rewrites the selection or the whole field in
# place, and the clipboard afterwards holds exactly what it held before; one case goes through
# `palimo --rewrite` instead, and Escape cancels.
#   wayland-system-test.sh sway|kwin PALIMO QT_EDITOR GTK4_EDITOR FAKE_PROVIDER SAMPLE_PNG PEER
# sway refuses to run as root, so as root the whole session (palimo-session.sh) is re-run as an
# ordinary user. Palimo's own windows go through the compositor's Xwayland, as on a desktop.
set -uo pipefail
self=$(readlink -f "${BASH_SOURCE[0]}")
here=$(dirname "$self")
if [ "$(id -u)" = 0 ]; then
  exec runuser -u nobody -- "$self" "$@"
fi
if [ -z "${PALIMO_SESSION_DIR:-}" ]; then
  exec "$here/../palimo-session.sh" "$self" "$@"
fi

compositor=${1:?usage: wayland-system-test.sh sway|kwin PALIMO QT_EDITOR GTK4_EDITOR FAKE_PROVIDER SAMPLE_PNG PEER}
palimo=$2 qt_editor=$3 gtk4_editor=$4 fake_provider=$5 sample_png=$6 peer=$7
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"
# shellcheck source=wayland-fixture.sh
source "$here/wayland-fixture.sh"

start_session "$compositor"
case_name=backends
declare -A backends=([sway]="sway bindings, data-control clipboard, virtual-keyboard keystrokes"
  [kwin]="KDE global shortcuts, data-control clipboard, KWin fake-input keystrokes")
grep -q "Backends: Wayland: ${backends[$compositor]}" "$work/palimo.out" ||
  fail "not the backends this compositor offers: $(grep Backends "$work/palimo.out")"

# --- clipboards: what another application leaves there, and whether it comes back unchanged -----
wl_dump() { # every type the clipboard offers, with its bytes' hash
  wl-paste -l | sort | while read -r t; do echo "$t $(wl-paste -t "$t" | sha256sum)"; done
}
own_clipboard_as() { # png | text
  if [ "$1" = png ]; then wl-copy -t image/png <"$sample_png"; else wl-copy "saved text"; fi
  eventually 5 bash -c 'wl-paste -l >/dev/null 2>&1' || fail "wl-copy did not take the clipboard"
  wl_dump >"$work/clip-before"
}
clipboard_unchanged() {
  wl_dump | cmp -s - "$work/clip-before" || fail "clipboard now: $(wl_dump | tr '\n' '|')"
}

# --- editors ----------------------------------------------------------------------------------
gtk_out=$work/gtk4.json
gtk_pid=0
open_editor() { # qt|gtk TEXT SELECT-START SELECT-LENGTH
  case $1 in
  qt) prepare "$2" "$3" "$4" ;;
  gtk)
    # One window at a time: the newest has the focus.
    [ "$qt_pid" = 0 ] || { kill "$qt_pid"; qt_pid=0; }
    [ "$gtk_pid" = 0 ] || { kill "$gtk_pid"; wait "$gtk_pid" 2>/dev/null; }
    rm -f "$gtk_out"
    "$gtk4_editor" "$gtk_out" "$2" "" "$3" "$4" 2>"$work/gtk4.err" &
    gtk_pid=$!
    pids+=($gtk_pid)
    eventually 10 test -s "$gtk_out" || fail "the GTK 4 editor did not start"
    ;;
  esac
}
field_is() { # qt|gtk TEXT (which JSON only quotes: no quotes, backslashes or line breaks)
  [ "$1" = gtk ] || { line_is "$2"; return; }
  [ "$(head -n1 "$gtk_out" 2>/dev/null)" = "\"$2\"" ]
}

# --- the cases: EDITOR CLIPBOARD TEXT SELECT-START SELECT-LENGTH EXPECTED TRIGGER ----------------
cases=(
  "qt-selection|qt|png|the quick brown fox|4|5|the QUICK brown fox|trigger"
  "qt-whole-field|qt|text|make all of it loud|0|0|MAKE ALL OF IT LOUD|command_trigger"
  "gtk4-selection|gtk|text|a small gtk word|2|5|a SMALL gtk word|trigger"
  "gtk4-whole-field|gtk|png|gtk whole field|0|0|GTK WHOLE FIELD|trigger"
)
start_editor "$qt_editor"
qt_pid=$EDITOR_PID
for entry in "${cases[@]}"; do
  IFS='|' read -r case_name editor clipboard text start length expected via <<<"$entry"
  open_editor "$editor" "$text" "$start" "$length"
  own_clipboard_as "$clipboard"
  done_before=$(log_count 'Done in')
  ${!via}
  eventually 10 field_is "$editor" "$expected" || fail "the field did not become \"$expected\""
  eventually 5 at_least 'Done in' $((done_before + 1)) || fail "no Done in the log"
  clipboard_unchanged
  palimo_check || exit 1
done

# An owner that stops answering one type, half-way through it: the rewrite goes on after the
# read's time limit, and the types that did answer come back byte for byte.
case_name=stalled-owner
open_editor gtk "a stalled owner" 2 7
"$peer" own 'text/html=<b>kept</b>' 'text/plain~half of it' >"$work/stall.out" &
pids+=($!)
eventually 5 grep -q ready "$work/stall.out" || fail "the stalling owner did not take the clipboard"
$trigger
eventually 10 field_is gtk "a STALLED owner" || fail "the field did not become \"a STALLED owner\""
eventually 5 bash -c '[ "$(wl-paste -l)" = text/html ]' || fail "clipboard types now: $(wl-paste -l | tr '\n' ' ')"
[ "$(wl-paste -t text/html)" = "<b>kept</b>" ] || fail "the HTML came back changed"
grep -q 'leaves out text/plain' "$work/palimo.out" || fail "the stalled type was not reported"

# The prompt panel is an Xwayland window: it takes the focus, what is typed there is what the
# model is asked, and the answer lands in the Wayland editor the panel came from.
case_name=prompt
open_editor gtk "make noise" 0 4
$prompt_trigger
eventually 5 env DISPLAY="$xdisplay" xdotool search --onlyvisible --name '^Palimo prompt$' >/dev/null ||
  fail "no prompt panel"
sleep 0.3
answer_prompt "shout it"
eventually 10 field_is gtk "MAKE noise" || fail "the field did not become \"MAKE noise\""
curl -fsS "http://127.0.0.1:$port/__last" | grep -q 'shout it' || fail "the model was not asked what was typed"

case_name=escape
provider '{"chat": {"mode": "uppercase", "delayMs": 8000}}'
open_editor gtk "escape keeps this" 0 6
own_clipboard_as png
captured=$(log_count 'Captured ')
cancelled=$(log_count 'Cancelled with Escape.')
$trigger
eventually 5 at_least 'Captured ' $((captured + 1)) || fail "nothing was captured"
# The pill (an Xwayland window) sits by the text: on sway, which says where windows are, by the
# GTK 4 editor in the right half of the screen; on KWin, which does not, at a fixed spot low in
# the middle.
pill_at() {
  local id info
  for id in $(DISPLAY=$xdisplay xdotool search --onlyvisible --class palimo 2>/dev/null); do
    info=$(DISPLAY=$xdisplay xwininfo -id "$id") || continue
    grep -q 'Override Redirect State: yes' <<<"$info" || continue
    awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}' <<<"$info"
    return 0
  done
  return 1
}
eventually 5 pill_at >/dev/null || fail "no pill"
read -r pill_x pill_y <<<"$(pill_at)"
case $compositor in
sway) [ "$pill_x" -ge 560 ] || fail "the pill is at $pill_x,$pill_y, away from the GTK 4 editor" ;;
kwin) [ "$pill_y" -ge 600 ] || fail "the pill is at $pill_x,$pill_y, not at the fixed spot" ;;
esac
$press_escape
eventually 5 at_least 'Cancelled with Escape.' $((cancelled + 1)) || fail "Escape did not cancel"
sleep 0.3
field_is gtk "escape keeps this" || fail "the field changed: $(head -n1 "$gtk_out")"
clipboard_unchanged

# On sway Palimo's keys are run-time bindings: Escape only while the model works, none once
# Palimo has quit (unbinding a key that is not bound fails).
sway_bound() { [ "$compositor" = sway ] && swaymsg -q "unbindsym --no-repeat $1" 2>/dev/null; }
sway_bound Escape && fail "Escape stayed bound after the run"

if [ "$compositor" = sway ]; then
  # A reload drops every run-time binding; Palimo binds its keys again.
  case_name=reload
  provider '{"chat": {"mode": "uppercase"}}'
  swaymsg -q reload
  sleep 0.5
  open_editor gtk "after a reload" 8 6
  $trigger
  eventually 10 field_is gtk "after a RELOAD" || fail "the shortcut did not work after a reload"
fi

case_name=quit
palimo_stop || fail "palimo did not quit cleanly"
sway_bound Ctrl+Mod1+r && fail "Palimo's shortcut stayed bound after it quit"
finish "wayland system test on $compositor"
