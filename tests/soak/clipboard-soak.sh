#!/usr/bin/env bash
# The clipboard promise under random runs (run it inside tests/system/palimo-session.sh): the
# pipeline driver rewrites in our Qt editor against palimo-fake-provider while the user's
# clipboard holds 1 to 6 random formats (text, HTML, image, binary, up to 3 MB) served by a Qt
# owner, or nothing at all. Every run takes one exit path at random:
#   success, escape, never-pastes, focus-moved,
#   clipboard-changed (the user copies something new during the model call)
# and afterwards the clipboard must be byte for byte what it was (or, on clipboard-changed, the
# newer contents), with the field's text right. (The fixed ways to fail before or after the
# model call, where the user's clipboard is read and put back as on these paths, are run with
# the palimo binary by the pipeline, hostile-server and feedback system tests.)
#   clipboard-soak.sh BIN_DIR FAKE_PROVIDER [RUNS] [SEED]
# BIN_DIR holds palimo-pipeline-driver, palimo-test-editor and palimo-clipboard-probe. Prints one
# line per failed run and a summary: runs, differences and runs per path.
set -uo pipefail

bin=${1:?usage: clipboard-soak.sh BIN_DIR FAKE_PROVIDER [RUNS] [SEED]}
fake_provider=${2:?usage: clipboard-soak.sh BIN_DIR FAKE_PROVIDER [RUNS] [SEED]}
runs=${3:-100}
RANDOM=${4:-9}
# shellcheck source=../system/desktop-fixture.sh
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/../system/desktop-fixture.sh"
owner_pid=
stop_soak() { # (as the fixture's own: a child shell signalled before its exec runs it too)
  local me=$BASHPID
  [ "$me" != "$$" ] || kill $owner_pid 2>/dev/null
  stop_everything
}
trap stop_soak EXIT

start_provider "$fake_provider"
export PALIMO_API_BASE=http://127.0.0.1:$port
start_driver "$bin/palimo-pipeline-driver"
start_editor "$bin/palimo-test-editor" # the window the user switches to on focus-moved
other_window=$editor_window
start_editor "$bin/palimo-test-editor"
editor() { reply=$(ed "$1"); }

# --- the user's clipboard ----------------------------------------------------------------------

random_text() { tr -dc 'a-zA-Z0-9 ,.\n' </dev/urandom | head -c "$1"; printf ' caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac'; }
make_formats() { # KIND MAX-BYTES -> "NAME=FILE ..." in $formats
  local dir=$work/formats.$1 n=$((RANDOM % 6 + 1)) i size
  rm -rf "$dir" && mkdir -p "$dir"
  local names=(text/plain text/html image/png application/octet-stream application/x-soak-a
    application/x-soak-b)
  formats=
  for i in $(seq 0 $((n - 1))); do
    size=$(((RANDOM * 32768 + RANDOM) % ($2 + 1)))
    case ${names[$i]} in
    text/plain) random_text $((size % 4096 + 1)) >"$dir/$i" ;;
    text/html) { printf '<p>'; random_text $((size % 65536)); printf '</p>'; } >"$dir/$i" ;;
    *) head -c "$size" /dev/urandom >"$dir/$i" ;;
    esac
    formats+=" ${names[$i]}=$dir/$i"
  done
}
start_owner() { # VAR OUT ARGS...: a probe takes the clipboard (its pid in VAR), true once it has
  : >"$work/$2" # the child truncates it only once it runs
  "$bin/palimo-clipboard-probe" "${@:3}" >"$work/$2" 2>/dev/null &
  printf -v "$1" %s "$!"
  eventually 10 grep -q owned "$work/$2"
}
take_clipboard() { # KIND: qt (large formats by INCR) or none
  [ -n "$owner_pid" ] && kill "$owner_pid" 2>/dev/null && wait "$owner_pid" 2>/dev/null
  owner_pid=
  [ "$1" = none ] && { "$bin/palimo-clipboard-probe" clear; return; }
  make_formats user $((3 * 1024 * 1024))
  # shellcheck disable=SC2086
  start_owner owner_pid owner.out own $formats
}
# shellcheck disable=SC2086 # another application takes the clipboard with $newer
own_newer() { start_owner newer_pid newer.out own $newer; pids+=("$newer_pid"); }
copy_newer() { own_newer; newer_copied=1; } # during the call; dumped after the run

# --- runs --------------------------------------------------------------------------------------
paths=(success escape never-pastes focus-moved clipboard-changed)
declare -A taken=()
differences=0
for i in $(seq "$runs"); do
  path=${paths[$((RANDOM % ${#paths[@]}))]}
  kind=qt && ((RANDOM % 4)) || kind=none
  taken[$path]=$((${taken[$path]:-0} + 1))
  take_clipboard "$kind" || { echo "run $i: the user's clipboard could not be set up"; continue; }
  "$bin/palimo-clipboard-probe" dump >"$work/expected"
  prepare "word$i and more" 0 $((4 + ${#i}))
  text="word$i and more" # unchanged but on success paths
  newer_pid= newer_copied=
  case $path in
  success) drive run; text="WORD$i and more" ;;
  escape)
    provider '{"chat": {"mode": "uppercase", "delayMs": 3000}}'
    echo "cancel-after 100" >&"$driver_in"
    read -r -t 5 -u "$driver_out" _
    drive run ;;
  never-pastes) editor "read-only line on"; drive run; editor "read-only line off" ;;
  focus-moved)
    provider '{"chat": {"mode": "uppercase", "delayMs": 400}}'
    drive run "xdotool windowfocus --sync $other_window" ;;
  clipboard-changed)
    make_formats newer 4096
    newer=$formats
    provider '{"chat": {"mode": "uppercase", "delayMs": 400}}'
    drive run copy_newer
    text="WORD$i and more" ;;
  esac
  provider '{"chat": {"mode": "uppercase"}}'
  "$bin/palimo-clipboard-probe" dump >"$work/after"
  if [ -n "$newer_copied" ]; then # the same formats from a fresh owner: the newer contents
    kill "$newer_pid" 2>/dev/null && wait "$newer_pid" 2>/dev/null
    own_newer
    "$bin/palimo-clipboard-probe" dump >"$work/expected"
  fi
  editor "get line"
  problem=
  cmp -s "$work/expected" "$work/after" ||
    problem="clipboard differs: $(diff "$work/expected" "$work/after" | grep '^[<>]' | cut -c1-60 | tr '\n' '|')"
  [ "$reply" = "text \"$text\"" ] || problem+=" text is $reply, not \"$text\""
  if [ -n "$problem" ]; then
    differences=$((differences + 1))
    echo "run $i ($path, $kind owner): $problem | $(tr '\n' '|' <"$work/run.out")"
  fi
  [ -n "$newer_pid" ] && kill "$newer_pid" 2>/dev/null && wait "$newer_pid" 2>/dev/null
done
echo "runs: $runs, differences: $differences"
for path in "${paths[@]}"; do printf '  %-18s %d runs\n' "$path" "${taken[$path]:-0}"; done
[ "$differences" = 0 ] && [ "$failures" = 0 ]
