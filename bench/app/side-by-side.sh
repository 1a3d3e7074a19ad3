#!/usr/bin/env bash
# Palimo against the do-it-yourself script (diy-rewrite.sh: xclip, xdotool, curl, jq) on the
# same display, editor and fake server, alternating run by run. Run it inside
# tests/system/palimo-session.sh:
#   side-by-side.sh BUILD_DIR [RUNS] [OUT_DIR]
# For each tool, RUNS rewrites of a fresh selection while the clipboard holds text, HTML and a
# PNG: key press to new text (median, p90, max), text right, clipboard back byte for byte.
# For Palimo also: start-up to "Hotkeys registered", resident memory after start and after
# RUNS/2 and RUNS rewrites, and idle wake-ups (context switches of all its threads) per second.
# Writes OUT_DIR/benchmark.md (the table) and OUT_DIR/benchmark.png (the plot).
set -uo pipefail

build=$(readlink -f "${1:?usage: side-by-side.sh BUILD_DIR [RUNS] [OUT_DIR]}")
runs=${2:-100}
out=$(readlink -f "${3:-docs}")
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
palimo=$build/src/app/palimo
probe=$build/tests/system/pipeline/palimo-clipboard-probe
sample_png=$bench/../../tests/system/pipeline/sample.png
# shellcheck source=../../tests/system/desktop-fixture.sh
source "$bench/../../tests/system/desktop-fixture.sh"
# shellcheck source=../../tests/system/palimo-process.sh
source "$bench/../../tests/system/palimo-process.sh"

start_provider "$build/tests/fakeprovider/palimo-fake-provider"
export PALIMO_API_BASE=http://127.0.0.1:$port OPENAI_API_KEY=sk-bench
start_editor "$build/tests/system/pipeline/palimo-test-editor"
"$palimo" --set-key "$OPENAI_API_KEY" >/dev/null

now_ms() { echo "${EPOCHREALTIME/./}" | sed 's/...$//'; }
rss_mb() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$palimo_pid/status"; }
switches() { cat /proc/"$palimo_pid"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
done_count() { grep -c 'Done in ' "$work/palimo.out"; }
registered() { grep -q 'Hotkeys registered' "$work/palimo.out"; }

# Start-up, ten times: launch to the "Hotkeys registered" line.
for _ in $(seq 10); do
  started=$(now_ms)
  palimo_start "$work" "$work/palimo.out"
  eventually 20 registered || { fail "palimo did not start"; exit 1; }
  echo $(($(now_ms) - started)) >>"$work/startup"
  palimo_stop
done
palimo_start "$work" "$work/palimo.out"
pids+=($palimo_pid)
eventually 20 registered || exit 1
sleep 1
echo "after start: $(rss_mb)" >"$work/memory"

# The user's clipboard before every run: text, HTML and a PNG, from a program of its own.
fresh_clipboard() {
  [ -n "${owner:-}" ] && kill "$owner" 2>/dev/null && wait "$owner" 2>/dev/null
  : >"$work/probe-owner.out" # its "owned" line must be the new owner's
  own_clipboard "$probe" "$sample_png"
}
new_text_shown() { [ "$(ed 'get line')" = "text \"SAMPLE text $i\"" ]; }

run_once() { # TOOL -> a line "TOOL MS TEXT_OK CLIPBOARD_OK" in results
  local tool=$1 started elapsed=-1 diy=0 dones
  fresh_clipboard
  prepare "sample text $i" 0 6
  dones=$(done_count)
  started=$(now_ms)
  if [ "$tool" = palimo ]; then
    xdotool key ctrl+alt+r
  else
    "$bench/diy-rewrite.sh" >/dev/null 2>&1 &
    diy=$!
  fi
  # The editor is asked every few milliseconds; each answer costs about one.
  for _ in $(seq 2000); do
    if new_text_shown; then elapsed=$(($(now_ms) - started)) && break; fi
    sleep 0.002
  done
  if [ "$tool" = palimo ]; then eventually 5 bash -c "[ \$(grep -c 'Done in ' '$work/palimo.out') -gt $dones ]"; else wait "$diy"; fi
  sleep 0.1 # an xclip left serving the clipboard has taken it by now
  "$probe" dump >"$work/clip-after"
  echo "$tool $elapsed $(new_text_shown && echo 1 || echo 0) $(cmp -s "$work/clip-before" "$work/clip-after" && echo 1 || echo 0)" >>"$work/results"
}

xdotool search --sync --name 'Palimo test editor' windowfocus --sync >/dev/null 2>&1
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then run_once palimo; run_once diy; else run_once diy; run_once palimo; fi
  ((i == runs / 2)) && echo "after $i rewrites: $(rss_mb)" >>"$work/memory"
done
echo "after $runs rewrites: $(rss_mb)" >>"$work/memory"

sleep 2
before=$(switches)
sleep 10
echo "$((($(switches) - before) / 10))" >"$work/wakeups"
palimo_stop || fail "palimo did not end cleanly"

mkdir -p "$out"
/usr/bin/python3 - "$work" "$out" "$runs" <<'PY'
import statistics, sys
work, out, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
rows = [line.split() for line in open(f"{work}/results")]
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]
names = {"palimo": "Palimo", "diy": "xclip + xdotool + curl + jq script"}
table = ["| | key press to new text: median | p90 | max | text right | clipboard back byte for byte |",
         "|---|---|---|---|---|---|"]
latencies = {}
for tool in ("palimo", "diy"):
    mine = [r for r in rows if r[0] == tool]
    ms = [int(r[1]) for r in mine if int(r[1]) >= 0]
    latencies[tool] = ms
    table.append(f"| {names[tool]} | {statistics.median(ms):.0f} ms | {pct(ms, 90)} ms | {max(ms)} ms "
                 f"| {sum(int(r[2]) for r in mine)} of {len(mine)} | {sum(int(r[3]) for r in mine)} of {len(mine)} |")
startup = [int(x) for x in open(f"{work}/startup")]
memory = [line.strip() for line in open(f"{work}/memory")]
wakeups = open(f"{work}/wakeups").read().strip()
lines = table + ["",
    f"Palimo start-up to \"Hotkeys registered\": median {statistics.median(startup):.0f} ms, "
    f"p90 {pct(startup, 90)} ms, max {max(startup)} ms over {len(startup)} starts.",
    "Palimo resident memory (MB): " + "; ".join(memory) + ".",
    f"Palimo idle: {wakeups} wake-ups (context switches of all its threads) per second over 10 s."]
open(f"{out}/benchmark.md", "w").write("\n".join(lines) + "\n")
print("\n".join(lines))

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
fig, ax = plt.subplots(figsize=(7, 3.2), dpi=110)
ax.boxplot([latencies["palimo"], latencies["diy"]], vert=False, whis=(0, 100), widths=0.5,
           labels=["Palimo", "xclip + xdotool\n+ curl + jq"])
for row, tool in enumerate(("palimo", "diy"), start=1):
    ax.scatter(latencies[tool], [row] * len(latencies[tool]), s=8, alpha=0.4, color="#7055e3")
ax.set_xlabel(f"key press to new text (ms), {runs} runs each, same display, editor and server")
ax.set_xlim(left=0)
ax.grid(axis="x", alpha=0.3)
fig.tight_layout()
fig.savefig(f"{out}/benchmark.png")
PY
