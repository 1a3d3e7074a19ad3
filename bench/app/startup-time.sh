#!/usr/bin/env bash
# Time from starting palimo to its "Hotkeys registered" line and to its tray icon being
# registered with a StatusNotifierItem watcher, over many fresh starts, once with the first-run
# guide shown and once without. Run it inside tests/system/palimo-session.sh:
#   palimo-session.sh bench/app/startup-time.sh BUILD_DIR [STARTS]
set -uo pipefail

build=${1:?usage: startup-time.sh BUILD_DIR [STARTS]}
starts=${2:-20}
palimo=$build/src/app/palimo
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
watcher=$here/../../tests/system/tray/sni-watcher.py
work=$(mktemp -d "${TMPDIR:-/tmp}/palimo-bench.XXXXXX")
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

"$watcher" >"$work/watcher.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/watcher.out" && break; sleep 0.05; done
"$palimo" --set-key sk-bench >/dev/null
config=${XDG_CONFIG_HOME:-$HOME/.config}/palimo/settings.json
mkdir -p "$(dirname "$config")"

summary() { # NAME FILE: median, p90 and max of the milliseconds in FILE
  sort -n "$2" >"$2.sorted"
  local n median p90 max
  n=$(wc -l <"$2.sorted")
  median=$(sed -n "$(((n + 1) / 2))p" "$2.sorted")
  p90=$(sed -n "$(((n * 9 + 9) / 10))p" "$2.sorted")
  max=$(tail -n1 "$2.sorted")
  printf '  %-28s median %6.1f ms, p90 %6.1f ms, max %6.1f ms (%d starts)\n' "$1" "$median" "$p90" "$max" "$n"
}

for guide in shown skipped; do
  : >"$work/hotkeys.$guide"
  : >"$work/tray.$guide"
  for _ in $(seq "$starts"); do
    if [ $guide = shown ]; then rm -f "$config"; else echo '{"hasCompletedOnboarding": true}' >"$config"; fi
    items=$(grep -c StatusNotifierItem "$work/watcher.out")
    : >"$work/palimo.out"
    started=$EPOCHREALTIME
    "$palimo" > >(while IFS= read -r line; do echo "$EPOCHREALTIME $line"; done >>"$work/palimo.out") 2>&1 &
    pid=$!
    for _ in $(seq 400); do
      grep -q 'Hotkeys registered' "$work/palimo.out" &&
        [ "$(grep -c StatusNotifierItem "$work/watcher.out")" -gt "$items" ] && break
      sleep 0.01
    done
    hotkeys=$(grep 'Hotkeys registered' "$work/palimo.out" | head -n1 | cut -d' ' -f1)
    tray=$(grep StatusNotifierItem "$work/watcher.out" | tail -n1 | cut -d' ' -f1)
    echo "($hotkeys - $started) * 1000" | bc -l >>"$work/hotkeys.$guide"
    echo "($tray - $started) * 1000" | bc -l >>"$work/tray.$guide"
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
  done
  echo "guide $guide:"
  summary 'to "Hotkeys registered"' "$work/hotkeys.$guide"
  summary "to the tray item registered" "$work/tray.$guide"
done
