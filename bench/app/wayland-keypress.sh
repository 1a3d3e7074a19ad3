#!/usr/bin/env bash
# Key press to new text with the real binary, our Qt editor and a fake provider that answers at
# once, on a headless Wayland compositor or on the session's X display, for comparison:
#   wayland-keypress.sh sway|kwin|x11 BUILD_DIR [RUNS]
# It starts its own session (tests/system/palimo-session.sh), as an ordinary user when run as
# root, because sway refuses root. On sway the press is a virtual-keyboard Ctrl+Alt+R that the
# binding Palimo made through sway's socket reports to it; on KWin a fake-input Ctrl+Alt+R that
# KDE's shortcut service hands to Palimo; on X11 an XTest Ctrl+Alt+R.
set -uo pipefail
self=$(readlink -f "${BASH_SOURCE[0]}")
fixtures=$(dirname "$self")/../../tests/system
if [ "$(id -u)" = 0 ]; then exec runuser -u nobody -- "$self" "$@"; fi
if [ -z "${PALIMO_SESSION_DIR:-}" ]; then exec "$fixtures/palimo-session.sh" "$self" "$@"; fi

mode=${1:?usage: wayland-keypress.sh sway|kwin|x11 BUILD_DIR [RUNS]}
build=$(readlink -f "${2:?usage: wayland-keypress.sh sway|kwin|x11 BUILD_DIR [RUNS]}")
runs=${3:-20}
palimo=$build/src/app/palimo
fake_provider=$build/tests/fakeprovider/palimo-fake-provider
peer=$build/tests/system/wayland/palimo-wayland-peer
# shellcheck source=../../tests/system/desktop-fixture.sh
source "$fixtures/desktop-fixture.sh"
# shellcheck source=../../tests/system/palimo-process.sh
source "$fixtures/palimo-process.sh"
# shellcheck source=../../tests/system/wayland/wayland-fixture.sh
source "$fixtures/wayland/wayland-fixture.sh"

start_session "$mode"
start_editor "$build/tests/system/pipeline/palimo-test-editor"
if [ "$mode" = x11 ]; then
  xdotool search --sync --name 'Palimo test editor' windowfocus --sync >/dev/null 2>&1
fi

: >"$work/ms"
correct=0
for i in $(seq "$runs"); do
  ed "set line \"sample text $i\"" >/dev/null
  ed 'focus line' >/dev/null
  ed 'select line 0 6' >/dev/null
  done_lines=$(log_count 'Done in ')
  pressed=$EPOCHREALTIME
  $trigger
  # Polled over the editor's own pipe: about a millisecond per look.
  until line_is "SAMPLE text $i"; do
    [ "$(echo "$EPOCHREALTIME - $pressed > 5" | bc)" = 1 ] && break
  done
  if line_is "SAMPLE text $i"; then
    echo "($EPOCHREALTIME - $pressed) * 1000" | bc -l >>"$work/ms"
    correct=$((correct + 1))
  fi
  # The next run starts once this one has put the clipboard back.
  eventually 5 at_least 'Done in ' $((done_lines + 1))
done

sort -n "$work/ms" >"$work/sorted"
n=$(wc -l <"$work/sorted")
[ "$n" -gt 0 ] || { echo "no run replaced the text" >&2; exit 1; }
printf '%s: key press to new text: median %.0f ms, p90 %.0f ms, max %.0f ms (%d of %d runs right)\n' \
  "$mode" "$(sed -n "$(((n + 1) / 2))p" "$work/sorted")" \
  "$(sed -n "$(((n * 9 + 9) / 10))p" "$work/sorted")" "$(tail -n1 "$work/sorted")" "$correct" "$runs"
