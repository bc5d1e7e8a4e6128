# The environment of one headless run: an Xvfb display, a PulseAudio daemon whose only sink is a
# null sink, and a Wine server on the project's prefix. Sourced; everything started is stopped by
# process id in mulan_env_stop (also on exit through the trap that mulan_env_start sets).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

MULAN_ENV_PIDS=()

_mulan_wait_for() {  # tries a command until it succeeds, up to about ten seconds
  local i
  for i in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

_mulan_free_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { echo "$n"; return 0; }
  done
  return 1
}

# mulan_env_start RUN_DIR: starts what a run needs unless the caller already has a display
# (MULAN_USE_DISPLAY=1 keeps the caller's DISPLAY for watching the window).
mulan_env_start() {
  export MULAN_RUN_DIR=$1
  mkdir -p "$MULAN_RUN_DIR"
  trap mulan_env_stop EXIT
  trap 'exit 130' INT TERM

  if [ "${MULAN_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    local n; n=$(_mulan_free_display) || { echo "no free X display" >&2; return 1; }
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$MULAN_RUN_DIR/xvfb.log" 2>&1 &
    MULAN_ENV_PIDS+=($!)
    export DISPLAY=":$n"
    _mulan_wait_for xdpyinfo -display "$DISPLAY" || { echo "Xvfb did not start" >&2; return 1; }
  fi

  export XDG_RUNTIME_DIR="$MULAN_RUN_DIR/runtime"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse.sock"
  export MULAN_SINK=mulan_null
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no \
    --log-target=file:"$MULAN_RUN_DIR/pulse.log" \
    -L "module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse.sock auth-anonymous=1" \
    -L "module-null-sink sink_name=$MULAN_SINK rate=44100 channels=2" \
    >/dev/null 2>&1 &
  MULAN_ENV_PIDS+=($!)
  _mulan_wait_for pactl info || { echo "PulseAudio did not start" >&2; return 1; }
  pactl set-default-sink "$MULAN_SINK"

  export WINEPREFIX="$MULAN_WINEPREFIX" WINEDEBUG=${WINEDEBUG:--all} LC_ALL=zh_CN.UTF-8
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
  # A persistent server makes every later Wine start fast; it is stopped with the rest. Wine's own
  # background processes start now, with no terminal or pipe of the caller's to hold open: started
  # later by a test they would inherit its output pipe and keep the reader waiting.
  wineserver -p >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# mulan_env_join NAME: a bench's folder (work) in the running headless environment, or in one started
# for it when none runs; mulan_env_leave stops only one started here.
mulan_env_join() {
  MULAN_OWN_ENV=0
  if [ -z "${MULAN_RUN_DIR:-}" ] || [ -z "${DISPLAY:-}" ]; then
    mulan_env_start "$(mktemp -d "/tmp/mulan-$1.XXXXXX")"
    MULAN_OWN_ENV=1
  fi
  work=$(mktemp -d "$MULAN_RUN_DIR/$1.XXXXXX")
}
mulan_env_leave() {
  [ "${MULAN_OWN_ENV:-0}" = 0 ] || mulan_env_stop
}

mulan_env_stop() {
  local pid
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
  for pid in "${MULAN_ENV_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${MULAN_ENV_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  MULAN_ENV_PIDS=()
}
