#!/usr/bin/env bash
# Renders the program's windows to PNG files for the README: docs/main-window.png (the main window)
# and docs/about-window.png (the About window over it), at 96 dpi, or at the dpi given as the first
# argument (the pictures then go to build/ so the README's stay as they are):
#   bash scripts/screenshot.sh          bash scripts/screenshot.sh 144
# It uses a virtual display and a Wine prefix of its own (build/screenshot-prefix).
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=${1:-96}
bash scripts/setup.sh

. scripts/wine-env.sh
trap netsend_stop_all EXIT
# The shipped 32-bit program; the 64-bit one where this machine runs no 32-bit code (the pictures are alike).
netsend_probe_x86_32
build=win32
if [ "$NETSEND_X86_32" != native ]; then
  build=win64
  echo "screenshot: rendering the 64-bit program: $NETSEND_X86_32_WHY"
fi
bash scripts/build.sh "$build"
netsend_start_display --own
netsend_start_wine "$PWD/build/screenshot-prefix"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

out=docs
[ "$dpi" = 96 ] || out=build/screenshots-$dpi
mkdir -p "$out" build/screenshot-run
cd build/screenshot-run
printf 'PC1\r\nPC2\r\n' >net_send.ini
netsend_desktop net_send,1024x768 "../$build/src/app/net_send.exe" &
desktop_pid=$!
cd ../..

shot=$(mktemp --suffix=.png)
previous=$(mktemp --suffix=.png)
# On a fresh prefix Wine's first start alone can take most of a minute on a loaded machine, so each wait
# is bounded by a deadline (NETSEND_SCREENSHOT_WAIT seconds) and by Wine still running, not by a count.
take() { import -window root "$1" 2>/dev/null; }
# Until the screen shows what `$1` tests for and has stopped changing (the window paints in steps).
wait_for() {
  local seen= deadline=$((SECONDS + ${NETSEND_SCREENSHOT_WAIT:-180}))
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$desktop_pid" 2>/dev/null || { echo "screenshot: Wine ended before the window appeared" >&2; return 1; }
    sleep 0.5
    cp -f "$shot" "$previous" 2>/dev/null || true
    take "$shot" || continue
    if "$1"; then
      [ -n "$seen" ] && [ "$(compare -metric AE "$shot" "$previous" null: 2>&1 || true)" = 0 ] && return 0
      seen=1
    fi
  done
  echo "screenshot: the window did not appear within ${NETSEND_SCREENSHOT_WAIT:-180} s" >&2
  return 1
}
# The main window is up once its dark green ground is on the screen.
main_window_shown() { convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -qi '#004000'; }
# Everything but the desktop's plain ground, which fills the corners.
crop_to_windows() {
  convert "$shot" -bordercolor "$(convert "$shot" -format '%[pixel:p{0,0}]' info:)" -border 1 -trim +repage "$1"
}

wait_for main_window_shown
crop_to_windows "$out/main-window.png"

# The About window: Alt, then the underlined letter of "О программе...".
xdotool key --clearmodifiers F10 Right Return
# The About window is up once its stretched yellow face is: far more yellow than the window icons hold.
about_window_shown() {
  local yellow
  yellow=$(convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -i -m1 '#FFFF00' | awk '{print $1+0}')
  [ "${yellow:-0}" -gt 5000 ]
}
wait_for about_window_shown
crop_to_windows "$out/about-window.png"
rm -f "$shot" "$previous"
echo "screenshot: $out/main-window.png and $out/about-window.png"
