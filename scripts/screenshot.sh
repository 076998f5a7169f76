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
bash scripts/build.sh win32

. scripts/wine-env.sh
trap netsend_stop_all EXIT
netsend_start_display --own
netsend_start_wine "$PWD/build/screenshot-prefix"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

out=docs
[ "$dpi" = 96 ] || out=build/screenshots-$dpi
mkdir -p "$out" build/screenshot-run
cd build/screenshot-run
printf 'PC1\r\nPC2\r\n' >net_send.ini
wine explorer /desktop=net_send,1024x768 ../win32/src/app/net_send.exe &
cd ../..

shot=$(mktemp --suffix=.png)
# The window is up once its dark green ground is on the screen.
wait_for_green() {
  for _ in $(seq 1 60); do
    sleep 0.5
    import -window root "$shot" 2>/dev/null || continue
    convert "$shot" -format %c histogram:info:- 2>/dev/null | grep -qi '#004000' && { sleep 1; return 0; }
  done
  echo "screenshot: the window did not appear" >&2
  return 1
}
# Everything but the desktop's plain ground, which fills the corners.
crop_to_windows() {
  import -window root "$shot"
  convert "$shot" -bordercolor "$(convert "$shot" -format '%[pixel:p{0,0}]' info:)" -border 1 -trim +repage "$1"
}

wait_for_green
crop_to_windows "$out/main-window.png"

# The About window: Alt, then the underlined letter of "О программе...".
xdotool key --clearmodifiers F10 Right Return
sleep 2
crop_to_windows "$out/about-window.png"
rm -f "$shot"
echo "screenshot: $out/main-window.png and $out/about-window.png"
