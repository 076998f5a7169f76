# Sourced by scripts/test.sh and scripts/run.sh: a Wine prefix and, when needed, a virtual display of our
# own, and a clean stop of both. Nothing here touches a prefix or a display that we did not make.

netsend_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
netsend_xvfb_pid=
netsend_made_display=

# Wine's ANSI code page comes from the locale: Russian gives code page 1251, as on the target machines.
export LANG=ru_RU.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No installer dialogs for Mono or Gecko: nothing we build needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

netsend_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--own" ]; then
    return
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd picks a free display number and tells us which.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  netsend_xvfb_pid=$!
  local number
  read -r -t 30 number <"$fifo" || { echo "wine-env: Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  netsend_made_display=1
}

# $1: prefix folder. A new prefix takes a minute to make; it is kept for the next run.
netsend_start_wine() {
  export WINEPREFIX=$1
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: making the Wine prefix $WINEPREFIX (once)"
    wineboot --init >/dev/null 2>&1
    wineserver --wait
  fi
  # A persistent wineserver spares every test the server's start-up.
  wineserver --persistent=60
  # Start Wine once now, so that its background services (started with the first program) are
  # already running before any test. Started by a test instead, they would inherit ctest's output pipe
  # and hold it open until the wineserver exits, and that first test would wait about 60 s for its end.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  export NETSEND_WINE_READY=1
}

netsend_stop_all() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver --kill >/dev/null 2>&1 || true
    wineserver --wait >/dev/null 2>&1 || true
  fi
  if [ -n "$netsend_xvfb_pid" ]; then
    kill "$netsend_xvfb_pid" 2>/dev/null || true
    wait "$netsend_xvfb_pid" 2>/dev/null || true
  fi
}
