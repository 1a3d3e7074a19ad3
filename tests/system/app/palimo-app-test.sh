#!/usr/bin/env bash
# The real palimo binary on a real X display (run it inside palimo-session.sh): global shortcuts
# pressed with xdotool rewrite text in our Qt editor through palimo-fake-provider, whatever locks
# are on, held down until the key repeats, held while palimo is too busy to read them, and with
# another application holding a part of a shortcut.
#   palimo-app-test.sh PALIMO EDITOR CLIPBOARD_PROBE FAKE_PROVIDER SAMPLE_PNG
set -uo pipefail

palimo=${1:?usage: palimo-app-test.sh PALIMO EDITOR CLIPBOARD_PROBE FAKE_PROVIDER SAMPLE_PNG}
editor=$2 probe=$3 fake_provider=$4 sample_png=$5
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"
dones=0
# The line becomes TEXT, and the run writes its closing line, so the next case starts idle.
done_as() { # TEXT
  becomes "$1"
  eventually 5 at_least 'Done in ' $((++dones)) || fail "the run did not finish"
}
rewrites() { # TEXT START LENGTH EXPECTED [KEYS]: the shortcut turns the selection into EXPECTED
  prepare "$1" "$2" "$3"
  xdotool key "${5:-ctrl+alt+r}"
  done_as "$4"
}
start_provider "$fake_provider"
start_editor "$editor"
PALIMO_API_BASE=http://127.0.0.1:$port palimo_up

case_name=no-display
env -u DISPLAY -u WAYLAND_DISPLAY "$palimo" >"$work/nodisplay.out" 2>&1 && fail "started without a display"
grep -q 'Palimo needs a desktop session, and neither WAYLAND_DISPLAY nor DISPLAY is set.' "$work/nodisplay.out" ||
  fail "no clear error without a display: $(cat "$work/nodisplay.out")"

case_name=locks # Caps Lock and Num Lock on, then Num Lock moved to another modifier (Mod3)
xdotool key Caps_Lock Num_Lock
rewrites "locks on" 6 2 "locks ON"
xdotool key Caps_Lock Num_Lock
"$probe" move-num-lock 5 || fail "could not move Num Lock"
sleep 0.3 # the mapping change reaches palimo as an event
xdotool key Num_Lock
rewrites "moved lock" 6 4 "moved LOCK"
xdotool key Num_Lock
"$probe" move-num-lock 4 || fail "could not move Num Lock back"

# The server repeats a held key: one run all the same, also when palimo reads the queued
# presses only after the release.
provider '{"chat": {"mode": "uppercase", "delayMs": 1000}}'
for busy in 0 1; do
  case_name="held, busy $busy"
  prepare "held down" 0 4
  runs_before=$(log_count 'Captured ')
  ((busy)) && kill -STOP "$palimo_pid"
  xdotool keydown ctrl+alt+r
  sleep 0.9
  xdotool keyup r alt ctrl
  ((busy)) && sleep 0.4 && kill -CONT "$palimo_pid"
  done_as "HELD down"
  [ "$(log_count 'Captured ')" -eq $((runs_before + 1)) ] || fail "a repeat started another run"
done
provider '{"chat": {"mode": "uppercase"}}'
log_count 'Ignored hotkey' >/dev/null && fail "a repeat was taken for a second press"

case_name=still-down # the copy reaches the editor while R is still held (no keyboard grab)
prepare "still down" 0 5
runs_before=$(log_count 'Captured ')
xdotool keydown ctrl+alt+r
xdotool keyup alt ctrl
eventually 5 at_least 'Captured ' $((runs_before + 1)) || fail "no copy while R is down"
xdotool keyup r
done_as "STILL down"

grab() { # KEYCODE MASK: another client grabs the key with these modifier bits ($grabber, until
  # let_go); true once it holds the grab
  "$probe" grab "$1" "$2" >"$work/grab.out" 2>&1 &
  grabber=$!
  pids+=("$grabber")
  eventually 5 bash -c "grep -q grabbed '$work/grab.out' || ! kill -0 $grabber 2>/dev/null"
  grep -q grabbed "$work/grab.out"
}
let_go() { kill "$grabber" 2>/dev/null; wait "$grabber" 2>/dev/null; }
can_grab() { grab "$@"; local held=$?; let_go; return $held; } # ... and let go at once
case_name=taken-in-part # another application holds only the Num Lock variant of ⌃⌥T (key 28)
grab 28 $((0x0c | 0x10)) || fail "the probe could not grab: $(cat "$work/grab.out")"
settings=${XDG_CONFIG_HOME:-$HOME/.config}/palimo/settings.json
echo '{"rewriteHotkey": {"keyCode": 17, "modifiers": 786432}}' >"$settings"
kill -HUP "$palimo_pid"
eventually 5 grep -q 'Could not register ⌃⌥T: another application already uses it.' \
  "$work/palimo.out" || fail "no refusal line"
grep -q 'Hotkeys registered: ⌃⌥P prompt.' "$work/palimo.out" || fail "the refused one was named"
let_go
# The variants palimo did get were given back: another client may grab them (and keep them).
can_grab 28 $((0x0c)) || fail "palimo kept a part of ⌃⌥T"

case_name=reload
kill -HUP "$palimo_pid"
eventually 5 grep -q 'Hotkeys registered: ⌃⌥T rewrite, ⌃⌥P prompt.' "$work/palimo.out" ||
  fail "the new shortcut was not registered"
can_grab 27 $((0x0c | 0x10 | 0x02)) || fail "palimo kept a part of ⌃⌥R"
runs_before=$(log_count 'Captured ')
xdotool key ctrl+alt+r ctrl+t alt+t ctrl+alt+shift+t
sleep 0.6
[ "$(log_count 'Captured ')" -eq "$runs_before" ] || fail "the old shortcut or a near one runs"
rewrites "moved shortcut" 0 5 "MOVED shortcut" ctrl+alt+t

# `palimo --rewrite` hands the press to the instance, as a desktop's own shortcut would run it;
# the user may still hold that shortcut's modifiers, and no press of Palimo's named the time.
case_name=command-held-keys
own_clipboard "$probe" "$sample_png"
prepare "held keys" 0 4
xdotool keydown ctrl+alt
"$palimo" --rewrite >"$work/trigger.out" 2>&1 || fail "ended with $?: $(cat "$work/trigger.out")"
sleep 0.3
xdotool keyup ctrl+alt
done_as "HELD keys"
clipboard_kept "$probe"
kill "$owner" 2>/dev/null

case_name=quit-mid-run # SIGTERM during the model call: the clipboard goes back, then to the manager
"$probe" manage >"$work/manager.out" 2>&1 &
pids+=($!)
eventually 5 grep -q managing "$work/manager.out" || fail "the clipboard manager did not start"
provider '{"chat": {"mode": "uppercase", "delayMs": 8000}}'
own_clipboard "$probe" "$sample_png"
prepare "quit now" 0 4
runs_before=$(log_count 'Captured ')
xdotool key ctrl+alt+t
eventually 5 at_least 'Captured ' $((runs_before + 1)) || fail "no capture"
sleep 0.3
palimo_stop || fail "palimo did not end cleanly on SIGTERM mid-run"
line_is "quit now" || fail "the text changed: $(ed 'get line')"
grep -q 'Handed the clipboard over to the clipboard manager.' "$work/palimo.out" ||
  fail "no hand-over line"
kill "$owner" 2>/dev/null
clipboard_kept "$probe"

case_name=command-not-running
for action in --rewrite --prompt; do
  "$palimo" $action >"$work/trigger.out" 2>&1 && fail "$action succeeded without an instance"
  [ "$(cat "$work/trigger.out")" = "Palimo is not running." ] ||
    fail "$action said: $(cat "$work/trigger.out")"
done

case_name=clipboard-only # an X display without XTest: copy, press the shortcut, paste
Xvfb -displayfd 3 -tst -screen 0 640x480x24 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
eventually 5 test -s "$work/display" || fail "no display without XTest: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display") # (exported already) the session's display is not used again
PALIMO_API_BASE=http://127.0.0.1:$port palimo_up
grep -qF "Palimo can't press Copy and Paste in other applications here. Copy the text, press the shortcut, then paste: the rewrite is put on the clipboard." \
  "$work/palimo.out" || fail "the mode is not explained"
provider '{"chat": {"mode": "uppercase"}}'
own_clipboard "$probe" "$sample_png"
"$palimo" --rewrite || fail "palimo --rewrite ended with $?"
eventually 5 grep -qF 'The rewrite is on the clipboard: paste it with Ctrl+V.' "$work/palimo.out" ||
  fail "no rewrite on the clipboard"
[ "$(xclip -o -selection clipboard)" = "SAVED TEXT" ] || fail "the clipboard holds $(xclip -o -selection clipboard)"
palimo_stop || fail "palimo did not end cleanly"

finish "palimo app system test"
