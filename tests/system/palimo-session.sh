#!/usr/bin/env bash
# shellcheck disable=SC2317 # the clean-up functions run from traps
# palimo-session.sh COMMAND [ARGS...] runs COMMAND inside a private desktop session and exits
# with its status: a private XDG_RUNTIME_DIR and a temporary HOME, an Xvfb display on a free
# number, a private D-Bus session bus that can only auto-start harmless services (so nothing
# outside provides secrets or the accessibility bus), the AT-SPI bus, and gnome-keyring with an
# unlocked "login" collection (unless PALIMO_SESSION_NO_KEYRING=1: then no Secret Service at
# all). All of it is stopped on exit; set-up failures exit with 125.
set -euo pipefail

self=$(readlink -f "${BASH_SOURCE[0]}")
die() { echo "palimo-session: $*" >&2; exit 125; }

# wait_for PID SECONDS WHAT COMMAND... — polls COMMAND until it succeeds; gives up when the
# process PID has exited or SECONDS have passed.
wait_for() {
  local pid=$1 seconds=$2 what=$3
  shift 3
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    alive "$pid" || return 2
    [ $SECONDS -le $deadline ] || die "$what was not ready after ${seconds} s"
    sleep 0.02
  done
}

# alive PID — false once the process has exited, even while it waits to be reaped.
alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# stop PID — TERM, then KILL if it lingers; reaps it when it is our child.
stop() {
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 250; i++)); do
    alive "$pid" || break
    sleep 0.02
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

show_log() { [ ! -s "$1" ] || { echo "--- $1 ---" && tail -n 20 "$1"; } >&2; }

# must_start PID WHAT LOG COMMAND... — wait_for COMMAND; if the process exits first, shows its LOG.
must_start() {
  local pid=$1 what=$2 log=$3
  shift 3
  wait_for "$pid" 10 "$what" "$@" || { show_log "$log"; die "$what exited during start-up"; }
}

trap 'exit 130' INT
trap 'exit 143' TERM

# ---------------------------------------------------------------------------------------------
# Inner half: runs as the child of dbus-run-session, with the private bus in the environment.
inner() {
  local atspi_pid=0 keyring_pid=0 command_pid=0
  cleanup_inner() {
    [ "$command_pid" = 0 ] || stop "$command_pid"
    [ "$keyring_pid" = 0 ] || stop "$keyring_pid"
    [ "$atspi_pid" = 0 ] || stop "$atspi_pid"
  }
  trap cleanup_inner EXIT

  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$PALIMO_SESSION_DIR/at-spi.log" 2>&1 &
  atspi_pid=$!
  must_start "$atspi_pid" "the AT-SPI bus" "$PALIMO_SESSION_DIR/at-spi.log" \
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress

  if [ "${PALIMO_SESSION_NO_KEYRING:-0}" != 1 ]; then
    # --unlock reads the password from stdin and creates the "login" collection if needed.
    printf palimo-test |
      gnome-keyring-daemon --foreground --unlock --components=secrets \
        >"$PALIMO_SESSION_DIR/keyring.log" 2>&1 &
    keyring_pid=$!
    must_start "$keyring_pid" "gnome-keyring" "$PALIMO_SESSION_DIR/keyring.log" \
      dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.GetNameOwner string:org.freedesktop.secrets
    # Prove the default collection is there and unlocked: a locked one would prompt instead.
    local probe=probe-$$-$RANDOM
    printf '%s' "$probe" | timeout 5 secret-tool store --label=probe palimo-session-probe "$probe" &&
      [ "$(timeout 5 secret-tool lookup palimo-session-probe "$probe")" = "$probe" ] &&
      timeout 5 secret-tool clear palimo-session-probe "$probe" ||
      die "the keyring does not store, give back and delete a probe secret"
  fi

  # In the background with stdin passed on explicitly, so that a TERM to this script (say from
  # timeout(1)) is handled at once instead of after the command ends.
  echo $$ >"$PALIMO_SESSION_DIR/inner.pid"
  "$@" <&0 &
  command_pid=$!
  local status=0
  wait "$command_pid" || status=$?
  command_pid=0
  exit "$status"
}

if [ "${1:-}" = "--palimo-session-inner" ]; then
  shift
  inner "$@"
fi

# ---------------------------------------------------------------------------------------------
# Outer half: folders, environment, display, then the bus.
[ $# -gt 0 ] || die "usage: palimo-session.sh COMMAND [ARGS...]"
tools="Xvfb xdpyinfo dbus-run-session dbus-send /usr/libexec/at-spi-bus-launcher"
[ "${PALIMO_SESSION_NO_KEYRING:-0}" = 1 ] || tools+=" gnome-keyring-daemon secret-tool"
for tool in $tools; do
  command -v "$tool" >/dev/null || die "$tool is missing (run scripts/bootstrap)"
done
# A closed stdin would make the first file the command opens its standard input.
{ true <&0; } 2>/dev/null || exec </dev/null

session_dir=$(mktemp -d "${TMPDIR:-/tmp}/palimo-session.XXXXXX")
xvfb_pid=0 bus_pid=0
cleanup_outer() {
  if [ -s "$session_dir/inner.pid" ]; then stop "$(cat "$session_dir/inner.pid")"; fi
  [ "$bus_pid" = 0 ] || stop "$bus_pid"
  [ "$xvfb_pid" = 0 ] || stop "$xvfb_pid"
  rm -rf "$session_dir"
}
trap cleanup_outer EXIT
export PALIMO_SESSION_DIR=$session_dir

mkdir -m 0700 "$session_dir/runtime"
export XDG_RUNTIME_DIR=$session_dir/runtime
mkdir -m 0700 "$session_dir/home"
export HOME=$session_dir/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_STATE_HOME=$HOME/.local/state XDG_CACHE_HOME=$HOME/.cache
# Nothing of the caller's desktop may leak in.
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS GNOME_KEYRING_CONTROL \
  SESSION_MANAGER XAUTHORITY DESKTOP_STARTUP_ID XDG_SESSION_TYPE
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

# Display: the first free number from 90 up, since compositors' Xwayland takes the low ones (KWin's
# fails beside an X server on :0). Xvfb writes its number to -displayfd once it accepts clients,
# which tells our own server apart from a foreign one already on that number.
for ((n = 90; n < 190; n++)); do
  : >"$session_dir/xvfb-ready"
  Xvfb ":$n" -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$session_dir/xvfb-ready" \
    >"$session_dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  wait_for "$xvfb_pid" 10 "Xvfb on :$n" test -s "$session_dir/xvfb-ready" && break
  wait "$xvfb_pid" 2>/dev/null || true # busy number: the server gave up, try the next one
  xvfb_pid=0
done
[ "$xvfb_pid" != 0 ] || { show_log "$session_dir/xvfb.log"; die "no free X display in :90 to :189"; }
export DISPLAY=:$(cat "$session_dir/xvfb-ready")
wait_for "$xvfb_pid" 10 "the X display $DISPLAY" xdpyinfo -display "$DISPLAY" ||
  die "Xvfb on $DISPLAY exited right after start-up"

# The bus may auto-start ordinary session services (dconf, prompters), but not the Secret
# Service or the accessibility bus: those are started (or deliberately left out) above.
mkdir -p "$session_dir/dbus/services"
for service in /usr/share/dbus-1/services/*.service; do
  case ${service##*/} in
  org.freedesktop.secrets.service | org.freedesktop.impl.portal.Secret.service | \
    org.gnome.keyring.service | org.a11y.Bus.service) ;;
  *) ln -s "$service" "$session_dir/dbus/services/" ;;
  esac
done
cat >"$session_dir/dbus/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:dir=$XDG_RUNTIME_DIR</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$session_dir/dbus/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF

# The bus daemon's own chatter (activation notes, root's "Failed to set fd limit") goes to a log.
printf '#!/bin/sh\nexec dbus-daemon "$@" 2>>"%s"\n' "$session_dir/dbus/daemon.log" \
  >"$session_dir/dbus/daemon"
chmod +x "$session_dir/dbus/daemon"

dbus-run-session --dbus-daemon="$session_dir/dbus/daemon" \
  --config-file="$session_dir/dbus/session.conf" -- "$self" --palimo-session-inner "$@" <&0 &
bus_pid=$!
status=0
wait "$bus_pid" || status=$?
bus_pid=0
rm -f "$session_dir/inner.pid"
exit "$status"
