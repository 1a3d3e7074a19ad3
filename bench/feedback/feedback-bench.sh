#!/usr/bin/env bash
# The on-screen feedback's speed and cost on Xvfb under a window manager (openbox); run it
# inside tests/system/palimo-session.sh:
#   feedback-bench.sh BUILD_DIR [RUNS]
# - the caret locator's time and the pill's time from working() to on screen (palimo-pill-bench,
#   with our Qt editor holding a selection);
# - the real binary: from a Ctrl+Alt+P press to the prompt panel holding the keyboard focus
#   (polled with xdotool, a few ms of resolution), RUNS times;
# - its resident memory once the pill and the panel have both been shown, and its CPU time
#   over 5 s of idling after they went away.
set -uo pipefail

build=${1:?usage: feedback-bench.sh BUILD_DIR [RUNS]}
runs=${2:-30}
palimo=$build/src/app/palimo
editor=$build/tests/system/pipeline/palimo-test-editor
fake_provider=$build/tests/fakeprovider/palimo-fake-provider
# shellcheck source=../../tests/system/desktop-fixture.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../../tests/system/desktop-fixture.sh"

openbox >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 200); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' && break; sleep 0.05; done
start_provider "$fake_provider"
start_editor "$editor"

prepare() {
  ed "set line \"sample text $1\"" >/dev/null
  ed 'focus line' >/dev/null
  xdotool search --sync --name 'Palimo test editor' windowactivate --sync >/dev/null 2>&1
  ed 'select line 0 6' >/dev/null
}

prepare 0
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$build/bench/feedback/palimo-pill-bench" 40

"$palimo" --set-key sk-bench >/dev/null
PALIMO_API_BASE=http://127.0.0.1:$port "$palimo" >"$work/palimo.out" 2>&1 &
palimo_pid=$!
pids+=($palimo_pid)
for _ in $(seq 200); do grep -q 'Hotkeys registered' "$work/palimo.out" && break; sleep 0.05; done

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
latencies=()
for i in $(seq "$runs"); do
  prepare "$i"
  pressed=$(now_ms)
  xdotool key ctrl+alt+p
  for _ in $(seq 500); do
    [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = 'Palimo prompt' ] && break
  done
  latencies+=($(($(now_ms) - pressed)))
  if [ "$i" -eq "$runs" ]; then
    xdotool type 'shorter' && xdotool key Return # the last run goes on, so the pill shows too
    for _ in $(seq 200); do grep -q 'Done in' "$work/palimo.out" && break; sleep 0.02; done
  else
    xdotool key Escape
    for _ in $(seq 200); do [ "$(grep -c 'Prompt cancelled.' "$work/palimo.out")" -ge "$i" ] && break; sleep 0.02; done
  fi
done
printf '%s\n' "${latencies[@]}" | sort -n >"$work/sorted"
n=$(wc -l <"$work/sorted")
printf 'Ctrl+Alt+P to the panel holding the focus: median %s ms, p90 %s ms, max %s ms over %d presses\n' \
  "$(sed -n "$(((n + 1) / 2))p" "$work/sorted")" "$(sed -n "$(((n * 9 + 9) / 10))p" "$work/sorted")" \
  "$(tail -n1 "$work/sorted")" "$n"

sleep 2 # the pill fades out
echo "resident memory with the pill and the panel shown once: $(awk '/VmRSS/ {print $2, $3}' "/proc/$palimo_pid/status")"
cpu() { awk '{print $14 + $15}' "/proc/$palimo_pid/stat"; }
before=$(cpu)
sleep 5
echo "CPU time while idle for 5 s afterwards: $(($(cpu) - before)) ticks of $(getconf CLK_TCK) per second"
