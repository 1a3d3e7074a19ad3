#!/usr/bin/env bash
# The rewrite pipeline's own cost on an X display (run it inside tests/system/palimo-session.sh),
# against a fake provider that answers at once:
#   pipeline-bench.sh BIN_DIR FAKE_PROVIDER [RUNS]
# For our Qt editor and for mousepad (GTK), RUNS consecutive rewrites of a fresh selection, each
# started by pressing the shortcut Ctrl+Alt+R:
# how many replaced the text exactly, and the median, 90th percentile and maximum of
#   capture  - from the trigger to the captured text (includes the fixed 40 ms before Copy)
#   paste    - from posting Paste to the user's clipboard being back (paste -> restore)
#   overhead - the whole run minus the model call
# BIN_DIR holds palimo-pipeline-driver and palimo-test-editor (tests/system/pipeline).
set -uo pipefail

bin=${1:?usage: pipeline-bench.sh BIN_DIR FAKE_PROVIDER [RUNS]}
fake_provider=${2:?usage: pipeline-bench.sh BIN_DIR FAKE_PROVIDER [RUNS]}
runs=${3:-100}
atspi_text() { "$(dirname "${BASH_SOURCE[0]}")/../../tests/system/settings/settings-atspi.py" text "$@"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/palimo-bench.XXXXXX")
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

"$fake_provider" >"$work/provider.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/provider.out" ] && break; sleep 0.02; done
export PALIMO_API_BASE=http://127.0.0.1:$(head -n1 "$work/provider.out")

coproc DRIVER { "$bin/palimo-pipeline-driver" 2>&1; }
pids+=($DRIVER_PID)
exec {driver_in}>&"${DRIVER[1]}" {driver_out}<&"${DRIVER[0]}"
read -r -t 10 -u "$driver_out" line

run() { # -> timing line of the run in $timing ("" when the run did not succeed)
  # The real shortcut, as a user presses it: its grab moves the keyboard focus for a moment.
  xdotool key ctrl+alt+r
  timing=
  while read -r -t 20 -u "$driver_out" line; do
    case $line in
    timing*) timing=$line ;;
    finished) return ;;
    esac
  done
}

summarise() { # NAME FILE-OF-TIMING-LINES OK-COUNT
  python3 - "$1" "$2" "$3" "$runs" <<'PY'
import sys, statistics
name, path, ok, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
values = {}
for line in open(path):
    for field in line.split()[1:]:
        key, value = field.split("=")
        values.setdefault(key, []).append(float(value))
print(f"{name}: {ok}/{runs} runs replaced the text correctly")
for key in ("capture", "model", "paste", "total", "overhead"):
    v = sorted(values.get(key, []))
    if v:
        p90 = v[min(len(v) - 1, int(round(0.9 * (len(v) - 1))))]
        print(f"  {key:9s} median {statistics.median(v):7.1f} ms   p90 {p90:7.1f} ms   "
              f"max {v[-1]:7.1f} ms   (n={len(v)})")
if "overhead" in values:
    beyond = statistics.median(values["overhead"]) - 190.0
    print(f"  beyond the fixed 190 ms of waits: {beyond:.1f} ms (median)")
PY
}

# --- our Qt editor -----------------------------------------------------------------------------
{ coproc EDITOR { "$bin/palimo-test-editor" 2>/dev/null; }; } 2>/dev/null
pids+=($EDITOR_PID)
exec {editor_in}>&"${EDITOR[1]}" {editor_out}<&"${EDITOR[0]}"
read -r -t 10 -u "$editor_out" line
xdotool windowfocus --sync "${line#ready }"
editor() { echo "$1" >&"$editor_in"; read -r -t 5 -u "$editor_out" reply; }
sleep 0.3
ok=0
: >"$work/qt.timing"
for i in $(seq "$runs"); do
  editor "set line \"word$i and the rest\""
  editor "focus line"
  editor "select line 0 $((4 + ${#i}))"
  run
  editor "get line"
  [ "$reply" = "text \"WORD$i and the rest\"" ] && [ -n "$timing" ] && ok=$((ok + 1))
  [ -n "$timing" ] && echo "$timing" >>"$work/qt.timing"
done
summarise "Qt editor" "$work/qt.timing" "$ok"
echo quit >&"$editor_in"

# --- mousepad ----------------------------------------------------------------------------------
printf 'start\n' >"$work/mousepad.txt"
mousepad --disable-server "$work/mousepad.txt" >/dev/null 2>&1 &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --class mousepad | tail -n1)
xdotool windowfocus --sync "$window"
for _ in $(seq 100); do atspi_text mousepad >/dev/null 2>&1 && break; sleep 0.05; done
ok=0
: >"$work/gtk.timing"
for i in $(seq "$runs"); do
  xdotool key ctrl+a
  xdotool type --delay 2 "word$i and the rest"
  xdotool key ctrl+Home shift+ctrl+Right
  run
  [ "$(atspi_text mousepad 2>/dev/null)" = "\"WORD$i and the rest\"" ] && [ -n "$timing" ] &&
    ok=$((ok + 1))
  [ -n "$timing" ] && echo "$timing" >>"$work/gtk.timing"
done
summarise "mousepad (GTK)" "$work/gtk.timing" "$ok"
echo quit >&"$driver_in"
