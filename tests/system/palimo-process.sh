# shellcheck shell=bash
# Sourced by the system tests that run the palimo binary: starts it so that a crash leaves a
# core file in the test's folder, and turns any unexpected end into a printed backtrace.
#   palimo_start FOLDER LOG [ARGS...]   start palimo in FOLDER, output to LOG; sets palimo_pid
#   palimo_check                        false (after printing why) once palimo has died
#   palimo_stop                         SIGTERM; false unless it ends cleanly with status 0
#   palimo_up [ARGS...]                 a test key stored, palimo_start in $work (its output in
#                                       $work/palimo.out) until its shortcuts are registered
# A sanitizer build reports its own findings with a stack in LOG; palimo_stop also fails on
# those, including leaks reported at exit.

palimo_start() {
  local folder=$1 log=$2
  shift 2
  palimo=$(readlink -f "$palimo") palimo_folder=$folder palimo_log=$log palimo_ended=
  : >"$log" # now, so no one reads the last run's output as this one's
  (cd "$folder" && ulimit -c unlimited && exec "$palimo" "$@") >"$log" 2>&1 &
  palimo_pid=$!
}

# Prints how palimo ended, its last output and, from a core file, every thread's stack.
palimo_report() {
  local status=$1 core
  echo "palimo ended with status $status$( ((status > 128)) && echo " (signal $((status - 128)))")" >&2
  echo "--- palimo output (last 60 lines)" >&2
  tail -n 60 "$palimo_log" >&2
  core=$(ls -t "$palimo_folder"/core* 2>/dev/null | head -n1)
  if [ -n "$core" ]; then
    echo "--- backtrace from $core" >&2
    gdb -batch -nx -ex 'thread apply all bt' "$palimo" "$core" 2>&1 | grep -v '^\[New LWP' >&2
  elif ((status > 128)); then
    echo "--- no core file (core_pattern: $(cat /proc/sys/kernel/core_pattern))" >&2
  fi
}

palimo_check() {
  [ -z "$palimo_ended" ] || return 1
  kill -0 "$palimo_pid" 2>/dev/null && return 0
  local status=0
  wait "$palimo_pid" || status=$?
  palimo_ended=$status
  palimo_report "$status"
  return 1
}

palimo_stop() {
  palimo_check || return 1
  kill -TERM "$palimo_pid"
  if ! eventually 10 eval "! kill -0 $palimo_pid 2>/dev/null"; then
    echo "palimo ignored SIGTERM for 10 s; aborting it for a backtrace of where it hangs" >&2
    kill -ABRT "$palimo_pid"
  fi
  local status=0
  wait "$palimo_pid" || status=$?
  palimo_ended=$status
  if [ "$status" -ne 0 ] ||
    grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:' "$palimo_log"; then
    palimo_report "$status"
    return 1
  fi
}

palimo_up() {
  "$palimo" --set-key sk-system-test >/dev/null || { echo "could not store the key" >&2; exit 1; }
  palimo_start "$work" "$work/palimo.out" "$@"
  pids+=("$palimo_pid")
  eventually 15 grep -q 'Hotkeys registered' "$work/palimo.out" ||
    { echo "palimo did not start: $(cat "$work/palimo.out")" >&2 && palimo_check; exit 1; }
}
