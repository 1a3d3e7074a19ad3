#!/usr/bin/env bash
# Time from a real Ctrl+Alt+R press to palimo's "Captured" line, over many presses, with the
# real binary, our Qt editor and a zero-latency fake provider. Run it inside
# tests/system/palimo-session.sh:
#   palimo-session.sh bench/app/keypress-to-capture.sh BUILD_DIR [PRESSES]
set -uo pipefail

build=${1:?usage: keypress-to-capture.sh BUILD_DIR [PRESSES]}
presses=${2:-50}
palimo=$build/src/app/palimo
editor=$build/tests/system/pipeline/palimo-test-editor
fake_provider=$build/tests/fakeprovider/palimo-fake-provider
# shellcheck source=../../tests/system/desktop-fixture.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../../tests/system/desktop-fixture.sh"
start_provider "$fake_provider"
start_editor "$editor"

"$palimo" --set-key sk-bench >/dev/null
# Each line of palimo's output is stamped as it arrives.
PALIMO_API_BASE=http://127.0.0.1:$port "$palimo" 2>&1 |
  while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done >"$work/palimo.out" &
pids+=($!)
for _ in $(seq 200); do grep -q 'Hotkeys registered' "$work/palimo.out" && break; sleep 0.05; done

count() { grep -c "$1" "$work/palimo.out"; }
correct=0
latencies=()
for i in $(seq "$presses"); do
  ed "set line \"sample text $i\"" >/dev/null
  ed 'focus line' >/dev/null
  [ "$i" -eq 1 ] && xdotool search --sync --name 'Palimo test editor' windowfocus --sync >/dev/null 2>&1
  ed 'select line 0 6' >/dev/null
  captured=$(count 'Captured ')
  done_lines=$(count 'Done in ')
  pressed=$EPOCHREALTIME
  xdotool key ctrl+alt+r
  for _ in $(seq 400); do [ "$(count 'Done in ')" -gt "$done_lines" ] && break; sleep 0.01; done
  stamp=$(grep 'Captured ' "$work/palimo.out" | sed -n "$((captured + 1))p" | cut -d' ' -f1)
  [ -n "$stamp" ] && latencies+=("$(echo "($stamp - $pressed) * 1000" | bc -l)")
  [ "$(ed 'get line')" = "text \"SAMPLE text $i\"" ] && correct=$((correct + 1))
done

printf '%s\n' "${latencies[@]}" | sort -n >"$work/sorted"
n=$(wc -l <"$work/sorted")
median=$(sed -n "$(((n + 1) / 2))p" "$work/sorted")
p90=$(sed -n "$(((n * 9 + 9) / 10))p" "$work/sorted")
printf 'key press to "Captured" line: median %.1f ms, p90 %.1f ms over %d presses\n' "$median" "$p90" "$n"
grep -o 'Captured [0-9]* chars in [0-9]* ms' "$work/palimo.out" | awk '{print $5}' | sort -n >"$work/capture"
printf 'capture stage as logged: median %s ms\n' "$(sed -n "$(((n + 1) / 2))p" "$work/capture")"
echo "rewritten correctly: $correct of $presses"
