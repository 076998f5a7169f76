#!/usr/bin/env bash
# Starts the program. On Linux: installs what is missing, builds the 32-bit net_send.exe and runs it
# under Wine with the Russian locale (ANSI code page 1251). Without a display it starts a virtual one,
# saves a screenshot once the window is up and says where. The program's working folder, where it
# keeps net_send.ini, is build/run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh win32

. scripts/wine-env.sh
trap netsend_stop_all EXIT
netsend_start_display
netsend_start_wine "$PWD/build/wine-prefix"

exe=$PWD/build/win32/src/app/net_send.exe
mkdir -p build/run
cd build/run
if [ -n "$netsend_made_display" ]; then
  # No screen to look at: Wine's virtual desktop draws the window frames for the screenshot.
  wine explorer /desktop=net_send,1024x768 "$exe" &
  program=$!
  shot=$(cd .. && pwd)/screenshot.png
  # The window is up once its dark green ground is on the screen.
  for _ in $(seq 1 60); do
    sleep 0.5
    import -window root "$shot" 2>/dev/null || continue
    if convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -qi '#004000'; then break; fi
  done
  sleep 1
  import -window root "$shot"
  echo "run: the program runs on the virtual display $DISPLAY; screenshot saved to $shot"
  echo "run: it stops when you close the program's window; press Ctrl+C to stop it now"
  wait "$program"
else
  wine "$exe"
fi
