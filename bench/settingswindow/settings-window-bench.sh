#!/usr/bin/env bash
# The settings window's opening time and memory on an X display (run it inside
# tests/system/palimo-session.sh): PROCESSES runs of settings-window-bench, each opening the
# window once for the first time and REOPENS times again.
#   settings-window-bench.sh BENCH [PROCESSES] [REOPENS]
set -euo pipefail
bench=${1:?usage: settings-window-bench.sh BENCH [PROCESSES] [REOPENS]}
processes=${2:-20} reopens=${3:-20}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for _ in $(seq "$processes"); do "$bench" "$reopens" >>"$out" 2>/dev/null; done
python3 - "$out" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    parts = line.split()
    rows.setdefault(" ".join(parts[:-1]), []).append(float(parts[-1]))
def line(name, values, unit):
    v = sorted(values)
    p90 = v[min(len(v) - 1, int(round(0.9 * (len(v) - 1))))]
    print(f"  {name:28s} median {statistics.median(v):8.1f}  p90 {p90:8.1f}  max {v[-1]:8.1f} {unit} (n={len(v)})")
print("settings window, from the request to the painted window:")
line("first opening", rows["first"], "ms")
line("later openings", rows["again"], "ms")
print("resident memory:")
for kind in ("rss", "private"):
    for state in ("open", "closed"):
        line(f"{kind} {state}, above before",
             [o - b for o, b in zip(rows[f"{kind} {state}"], rows[f"{kind} before"])], "KB")
PY
