# shellcheck shell=bash
# Sourced after desktop-fixture.sh and palimo-process.sh by the scripts that drive palimo on a
# headless Wayland compositor (inside palimo-session.sh, as an ordinary user). Needs $palimo,
# $fake_provider and $peer (palimo-wayland-peer); defines
#   start_session sway|kwin|x11   the compositor (with Xwayland, whose DISPLAY replaces the
#                                 session's Xvfb for palimo), the fake provider (as $port,
#                                 answering in upper case) and palimo, ready; sets $trigger, the
#                                 command that presses Palimo's shortcut, $prompt_trigger (the
#                                 prompt's), $command_trigger, which runs `palimo --rewrite` (on
#                                 sway through a key the user bound to it), $press_escape, and
#                                 answer_prompt TEXT, which types into the prompt panel and
#                                 presses Return (Wayland only).
# x11 is the session's own Xvfb with palimo's X11 backends, for comparisons: it sets $trigger only.
press_shortcut() { wtype -M ctrl -M alt "${1:-r}" -m alt -m ctrl; }

start_session() {
  local compositor=$1
  if [ "$compositor" = x11 ]; then
    xdisplay=$DISPLAY
    trigger="xdotool key ctrl+alt+r"
  else
    start_compositor "$compositor"
  fi
  # In the sanitizer build: full stacks, so that Qt's own leak at exit can be told from others.
  export LSAN_OPTIONS=suppressions=$(dirname "${BASH_SOURCE[0]}")/qt-atspi-leaks.supp
  export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0
  start_provider "$fake_provider" # answers in upper case unless told otherwise
  PALIMO_API_BASE=http://127.0.0.1:$port DISPLAY=$xdisplay QT_QPA_PLATFORM=xcb palimo_up
}

start_compositor() {
  local compositor=$1
  unset DISPLAY
  export QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland
  case $compositor in
  sway)
    printf '%s\n' 'output HEADLESS-1 resolution 1280x800' 'xwayland force' \
      "bindsym Mod4+r exec $palimo --rewrite" "exec echo \$DISPLAY >$work/xdisplay" \
      >"$work/sway.config"
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
      sway -c "$work/sway.config" >"$work/compositor.log" 2>&1 &
    ;;
  kwin)
    # KWin grants fake-input only to a program whose desktop entry names it, by its binary.
    mkdir -p "$XDG_DATA_HOME/applications"
    local program
    for program in "$palimo" "$peer"; do
      printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n' \
        "${program##*/}" "$(readlink -f "$program")" >"$XDG_DATA_HOME/applications/${program##*/}.desktop"
    done
    # The installed binary carries a file capability a container may not grant; a copy has none.
    cp /usr/bin/kwin_wayland "$work/kwin_wayland"
    "$work/kwin_wayland" --virtual --xwayland --no-lockscreen --socket wayland-palimo \
      --width 1280 --height 800 --exit-with-session "sh -c 'echo \$DISPLAY >$work/xdisplay; exec tail --pid=\$PPID -f /dev/null'" \
      >"$work/compositor.log" 2>&1 &
    ;;
  esac
  pids+=($!)
  eventually 20 bash -c "[ -s '$work/xdisplay' ] && ls '$XDG_RUNTIME_DIR' | grep -q '^wayland-[a-z0-9]*$'" ||
    { echo "$compositor did not start: $(tail -n 20 "$work/compositor.log")" >&2; exit 1; }
  WAYLAND_DISPLAY=$(ls "$XDG_RUNTIME_DIR" | grep -m1 '^wayland-[a-z0-9]*$')
  export WAYLAND_DISPLAY
  xdisplay=$(cat "$work/xdisplay")

  trigger=press_shortcut
  prompt_trigger="press_shortcut p"
  press_escape="wtype -k Escape"
  answer_prompt() { wtype "$1" && sleep 0.2 && wtype -k Return; }
  if [ "$compositor" = sway ]; then
    # Palimo binds its keys through sway's socket; the configuration's Super+R is the user's
    # own binding of `palimo --rewrite`.
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
    export SWAYSOCK
    command_trigger="wtype -M logo r -m logo"
  else
    # KWin serves KDE's shortcut service itself, where Palimo registers its keys.
    trigger="$peer keys ctrl+alt+r"
    prompt_trigger="$peer keys ctrl+alt+p"
    press_escape="$peer keys escape"
    answer_prompt() { "$peer" type "$1" && sleep 0.2 && "$peer" keys return; }
    # KWin runs no command for a key of its own.
    command_trigger="$palimo --rewrite"
    # WORKAROUND: Qt 6.4's xcb plugin never frees the XInput2 pointer device it makes for
    # KWin's Xwayland, which the sanitizer build reports as a leak at exit; core pointer events
    # are all Palimo's windows need.
    export QT_XCB_NO_XI2=1
  fi
}
