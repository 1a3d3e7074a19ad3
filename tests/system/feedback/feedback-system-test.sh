#!/usr/bin/env bash
# The feedback pill and the prompt panel of the real palimo binary, under a real window manager
# (openbox, which hands the focus out itself), driven by real key presses: the pill appears
# next to the selection in a Qt and a GTK editor without taking the focus and shows each
# outcome (Escape cancels, and then reaches applications again; that text and clipboard stay as
# they were is the pipeline test's); the prompt panel takes the focus, and its answer is what
# the model is asked.
# Run it inside palimo-session.sh:
#   feedback-system-test.sh PALIMO EDITOR CLIPBOARD_PROBE FAKE_PROVIDER SAMPLE_PNG
set -uo pipefail

palimo=${1:?usage: feedback-system-test.sh PALIMO EDITOR CLIPBOARD_PROBE FAKE_PROVIDER SAMPLE_PNG}
editor=$2 probe=$3 fake_provider=$4 sample_png=$5
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"

focused() { xdotool getwindowfocus getwindowname 2>/dev/null; }
focus_is() { [ "$(focused)" = "$1" ]; }

# The pill: palimo's viewable override-redirect window. Sets pill_name, pill_x/y/w/h.
find_pill() {
  local id info
  for id in $(xdotool search --class palimo 2>/dev/null); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    grep -q 'Map State: IsViewable' <<<"$info" || continue
    grep -q 'Override Redirect State: yes' <<<"$info" || continue
    pill_name=$(xdotool getwindowname "$id")
    read -r pill_x pill_y pill_w pill_h < <(awk '/Absolute upper-left X/ {x = $4}
      /Absolute upper-left Y/ {y = $4} /Width:/ {w = $2} /Height:/ {print x, y, w, $2}' <<<"$info")
    return 0
  done
  return 1
}
pill_shows() { find_pill && [ "$pill_name" = "$1" ]; }
no_pill() { ! find_pill; }
near() { [ "$1" -ge $(($2 - $3)) ] && [ "$1" -le $(($2 + $3)) ]; } # A B TOLERANCE
pill_for_rewrite() { # presses the shortcut; true once the working pill shows, else a failure
  xdotool key ctrl+alt+r
  eventually 5 pill_shows "Rewriting…" || { fail "no working pill"; return 1; }
}

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
eventually 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "openbox did not start: $(cat "$work/openbox.log")" >&2; exit 1; }

start_provider "$fake_provider"
# The system message of the latest request ends with exactly these instructions.
asked_with() {
  curl -fsS "http://127.0.0.1:$port/__last" |
    jq -e --arg last "$1" '.messages[0].content | endswith("\n" + $last)' >/dev/null
}

start_editor "$editor"
select_far() { # TEXT START LENGTH, with the pointer far from the text: a pill by it would show
  prepare "$@"
  xdotool mousemove 1250 780
}

PALIMO_API_BASE=http://127.0.0.1:$port palimo_up

case_name=qt-pill
provider '{"chat": {"mode": "uppercase", "delayMs": 1500}}'
select_far "hello world" 0 5
read -r _ cx cy cw ch <<<"$(ed 'caret line')"
if pill_for_rewrite; then
  # 8 pixels right of the caret (whose box Qt widens to 10 pixels), centred on it.
  near $((pill_x - 8)) $((cx + cw / 2)) $((cw / 2 + 2)) && near $((pill_y + pill_h / 2)) $((cy + ch / 2)) $((ch / 2)) ||
    fail "pill at $pill_x,$pill_y ${pill_w}x$pill_h, caret at $cx,$cy ${cw}x$ch"
  focus_is 'Palimo test editor' || fail "the pill took the focus: $(focused)"
fi
eventually 5 pill_shows Done || fail "no Done pill (${pill_name:-none})"
line_is "HELLO world" || fail "got $(ed 'get line')"
eventually 3 no_pill || fail "the pill stayed"
focus_is 'Palimo test editor' || fail "the editor lost the focus: $(focused)"

case_name=failed
provider '{"chat": {"mode": "status", "status": 500}}'
select_far "broken" 0 6
xdotool key ctrl+alt+r
wide_pill() { pill_shows "$1" && [ "$pill_w" -gt 100 ]; }
eventually 5 wide_pill "OpenAI returned an error (500)." ||
  fail "no failure pill with room for the message: ${pill_name:-none}, ${pill_w:-0} wide"
sleep 2
find_pill || fail "the failure pill went before 4 s"
eventually 4 no_pill || fail "the failure pill stayed"

case_name=cancelled
provider '{"chat": {"mode": "uppercase", "delayMs": 8000}}'
select_far "keep this" 0 4
pill_for_rewrite
xdotool key Escape
eventually 3 pill_shows Cancelled || fail "no Cancelled pill (${pill_name:-none})"
# A click on the pill reaches the field under it: the selection gives way to a caret there.
xdotool mousemove $((pill_x + pill_w / 2)) $((pill_y + pill_h / 2)) click 1
read -r _ cx _ cw _ <<<"$(ed 'caret line')"
near $((cx + cw / 2)) $((pill_x + pill_w / 2)) 8 || fail "the click did not go through the pill"
eventually 3 no_pill || fail "the pill stayed"
ed keys >/dev/null
xdotool key Escape
sleep 0.3 # the editor records the key on its own event loop
[[ "$(ed keys)" == *Esc* ]] || fail "Escape does not reach applications after the run"

provider '{"chat": {"mode": "uppercase"}}'
open_panel() { # COMMAND...: once the last pill is gone, the panel opens and takes the focus
  eventually 3 no_pill || fail "the last pill stayed"
  "$@" || fail "$* ended with $?"
  eventually 5 focus_is 'Palimo prompt' || fail "the panel did not take the focus: $(focused)"
}
# From the shortcut, and from the desktop's own shortcut (no press of Palimo's to name the time).
for row in "prompt-typed|xdotool key ctrl+alt+p|make noise|4|Shout it, please|MAKE noise" \
  "prompt-command|$palimo --prompt|by command|2|Shout|BY command"; do
  IFS='|' read -r case_name open text length typed expected <<<"$row"
  select_far "$text" 0 "$length"
  open_panel $open
  find_pill && fail "the pill shows while the panel is open"
  xdotool type --delay 20 "$typed"
  xdotool key Return
  becomes "$expected"
  asked_with "$typed" || fail "the request did not carry the typed instructions"
  focus_is 'Palimo test editor' || fail "the editor does not have the focus back: $(focused)"
done

case_name=prompt-style
select_far "pick a style" 0 4
open_panel xdotool key ctrl+alt+p
xdotool type --delay 20 'FRIEND'
sleep 0.3
panel=$(xdotool search --name '^Palimo prompt$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$panel")"
xdotool mousemove $((X + 100)) $((Y + HEIGHT - 16)) click 1 # the one row left
becomes "PICK a style"
asked_with 'Rewrite the text so it sounds warmer and more approachable, without becoming informal or adding information. Keep the same language.' ||
  fail "the request did not carry the style's instructions: $(curl -fsS "http://127.0.0.1:$port/__last")"

case_name=prompt-escape
own_clipboard "$probe" "$sample_png"
select_far "stay as is" 0 4
open_panel xdotool key ctrl+alt+p
xdotool key Escape
eventually 5 log_has 'Prompt cancelled.' || fail "no cancellation"
sleep 0.3
clipboard_kept "$probe"
line_is "stay as is" || fail "got $(ed 'get line')"
no_pill || fail "a pill for a cancelled prompt"
kill "$owner" 2>/dev/null

case_name=gtk-pill
provider '{"chat": {"mode": "uppercase", "delayMs": 1500}}'
printf 'hello world, from GTK' >"$work/mousepad.txt"
mousepad --disable-server "$work/mousepad.txt" >"$work/mousepad.log" 2>&1 &
pids+=($!)
# By its title: under load the search could otherwise return another of its windows first.
window=$(xdotool search --sync --onlyvisible --name 'mousepad\.txt - Mousepad$' | tail -n1)
xdotool windowactivate --sync "$window"
eventually 10 "$here/../settings/settings-atspi.py" text mousepad >/dev/null # built lazily
xdotool key ctrl+Home shift+ctrl+Right
xdotool mousemove 1250 780
eval "$(xdotool getwindowgeometry --shell "$window")"
if pill_for_rewrite; then
  # The first word is at the top left of the text view.
  near "$pill_x" $((X + 125)) 125 && near "$pill_y" $((Y + 75)) 75 ||
    fail "pill at $pill_x,$pill_y, window at $X,$Y"
  [ "$(xdotool getwindowfocus)" = "$window" ] || fail "the pill took the focus: $(focused)"
fi
eventually 5 pill_shows Done || fail "no Done pill (${pill_name:-none})"

finish "feedback system test"
