#!/usr/bin/env bash
# The real palimo binary in a Wayland session whose compositor (a headless weston) offers none
# of the protocols that rewriting in place needs. Palimo starts, says once what it cannot do
# here and what to do instead, shows that in Settings, and takes `palimo --rewrite` without
# pretending a rewrite happened. With KDE's shortcut service on the bus (the real kglobalaccel,
# grabbing its keys on the session's X display, as KWin does them for it in a Plasma session) it
# owns its shortcuts there, hears a real key press, and frees its keys when it quits.
# Run it inside palimo-session.sh:
#   wayland-session-test.sh PALIMO FAKE_PROVIDER
set -uo pipefail

palimo=${1:?usage: wayland-session-test.sh PALIMO FAKE_PROVIDER}
fake_provider=$2
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"

weston --backend=headless-backend.so --socket=palimo-wayland --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
eventually 10 test -S "$XDG_RUNTIME_DIR/palimo-wayland" ||
  { echo "weston did not start: $(cat "$work/weston.log")" >&2; exit 1; }
# A Wayland session as a desktop starts one: no X display, and Qt left to choose.
x_display=$DISPLAY
unset DISPLAY QT_QPA_PLATFORM
export WAYLAND_DISPLAY=palimo-wayland XDG_SESSION_TYPE=wayland
# In the sanitizer build: full stacks, so that the plugin's own leaks can be told from others.
export LSAN_OPTIONS=suppressions=$here/qtwayland-leaks.supp
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0

start_provider "$fake_provider"
export PALIMO_API_BASE=http://127.0.0.1:$port
shortcut_line="Palimo can't set up its own shortcuts in this session. In your desktop's keyboard settings, bind a shortcut to the command palimo --rewrite (and one to palimo --prompt)."
rewrite_line="Palimo can't press Copy and Paste or reach the clipboard in this session, so it can't rewrite text here."
refused_line="Keystrokes can't be sent in this session, so the copy is blocked."

case_name=no-protocols
palimo_up
for line in "$shortcut_line" "$rewrite_line"; do
  [ "$(log_count "$line")" -eq 1 ] || fail "not said once: $line"
done
"$palimo" --rewrite || fail "palimo --rewrite ended with $?"
eventually 5 grep -qF "$refused_line" "$work/palimo.out" || fail "the press did not arrive"
sleep 0.3
[ "$(log_count 'Captured ')$(log_count 'Done in')" = 00 ] || fail "a rewrite was pretended"
"$palimo" || fail "a second start ended with $?" # opens the Settings of the running one
for line in "$shortcut_line" "$rewrite_line"; do
  "$here/../settings/settings-atspi.py" wait "$line" || fail "Settings do not show: $line"
done
palimo_stop || fail "palimo did not end cleanly"

case_name=kde-shortcuts # Ctrl+Alt+P belongs to another program
DISPLAY=$x_display QT_QPA_PLATFORM=xcb kglobalaccel5 >"$work/kglobalaccel.log" 2>&1 &
pids+=($!)
eventually 10 gdbus introspect --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
  >/dev/null 2>&1 || fail "kglobalaccel did not start: $(cat "$work/kglobalaccel.log")"
take() { # COMPONENT KEYS: what kglobalaccel assigned
  local id="['$1', 'key', '$1', 'key']"
  gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
    --method org.kde.KGlobalAccel.doRegister "$id" >/dev/null
  gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
    --method org.kde.KGlobalAccel.setShortcut "$id" "[$2]" 6
}
ctrl_alt=$((0x04000000 | 0x08000000))
take other $((ctrl_alt | 0x50)) >/dev/null
palimo_up
grep -qF 'Could not register ⌃⌥P: another application already uses it.' "$work/palimo.out" ||
  fail "the taken shortcut was not reported"
grep -qF "$shortcut_line" "$work/palimo.out" && fail "told to bind a shortcut although it has one"
DISPLAY=$x_display xdotool key ctrl+alt+r
eventually 5 grep -qF "$refused_line" "$work/palimo.out" || fail "the press did not arrive"
palimo_stop || fail "palimo did not end cleanly"
[ "$(take later $((ctrl_alt | 0x52)))" = "([$((ctrl_alt | 0x52))],)" ] || fail "Ctrl+Alt+R was not freed"

finish "wayland session test"
