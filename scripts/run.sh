#!/usr/bin/env bash
# Starts the program. On Linux: installs what is missing, builds the 32-bit net_send.exe (the 64-bit one
# where the machine runs no 32-bit code, unless NETSEND_EMULATE_32BIT=1 asks for CPU emulation) and runs it
# under Wine with the Russian locale (ANSI code page 1251). Without a display it starts a virtual one, saves
# a screenshot once the window is up and says where. The program's working folder, where it
# keeps net_send.ini, is build/run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

. scripts/wine-env.sh
trap netsend_stop_all EXIT
netsend_probe_x86_32
echo "run: $NETSEND_X86_32_WHY"
build=win32 emulated=
if [ "$NETSEND_X86_32" != native ]; then
  if [ "${NETSEND_EMULATE_32BIT:-}" = 1 ] && netsend_emulation_start && [ -n "$NETSEND_EMULATION" ]; then
    emulated=--emulated
    echo "run: the 32-bit program under CPU emulation: its window takes a few minutes to come up"
  else
    build=win64
    echo "run: showing the 64-bit program, since this machine runs no 32-bit code natively;" \
         "NETSEND_EMULATE_32BIT=1 bash scripts/run.sh shows the 32-bit one under CPU emulation (as root, slow)"
  fi
fi
bash scripts/build.sh "$build"
netsend_start_display
netsend_start_wine "$PWD/build/wine-prefix" $emulated

exe=$PWD/build/$build/src/app/net_send.exe
mkdir -p build/run
cd build/run
if [ -n "$netsend_made_display" ]; then
  # No screen to look at: Wine's virtual desktop draws the window frames for the screenshot.
  netsend_desktop net_send,1024x768 "$exe" &
  program=$!
  shot=$(cd .. && pwd)/screenshot.png
  # The window is up once its dark green ground is on the screen. A fresh prefix's first start can take
  # most of a minute on a loaded machine, and far longer under emulation: the wait is a deadline.
  wait=$(( ${NETSEND_EMULATION:-0} ? 1200 : ${NETSEND_SCREENSHOT_WAIT:-180} )) shown=
  deadline=$((SECONDS + wait))
  while [ $SECONDS -lt $deadline ] && kill -0 "$program" 2>/dev/null; do
    sleep 0.5
    import -window root "$shot" 2>/dev/null || continue
    if convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -qi '#004000'; then shown=1; break; fi
  done
  sleep 1
  import -window root "$shot"
  if [ -n "$shown" ]; then
    echo "run: the program runs on the virtual display $DISPLAY; screenshot saved to $shot"
  else
    echo "run: the program's window did not show within $wait s; the screenshot in $shot shows the screen as it is" >&2
    kill -0 "$program" 2>/dev/null || { echo "run: Wine ended" >&2; exit 1; }
  fi
  echo "run: it stops when you close the program's window; press Ctrl+C to stop it now"
  wait "$program"
else
  wine "$exe"
fi
