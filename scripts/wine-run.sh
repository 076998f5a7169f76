#!/usr/bin/env bash
# Runs one Windows program under Wine inside the prefix and display that scripts/test.sh (or
# scripts/run.sh) made. Refuses to run elsewhere, so a test never touches the user's own ~/.wine.
# Where this machine runs no 32-bit x86 code, a 32-bit program is not started: the test is skipped (exit
# status 77, which ctest shows as a skip) and says why.
set -eu
if [ -z "${NETSEND_WINE_READY:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: run the tests through scripts/test.sh, which makes the Wine prefix and display" >&2
  exit 2
fi
# The entry that starts the 32-bit build under CPU emulation runs only where it cannot run natively.
if [ -n "${NETSEND_EMULATED_ENTRY:-}" ]; then
  if [ "${NETSEND_X86_32:-native}" = native ]; then
    echo "wine-run: skipped, 32-bit code runs natively here, and the whole 32-bit suite with it"
    exit 77
  elif [ -z "${NETSEND_EMULATION:-}" ]; then
    echo "wine-run: skipped, the 32-bit build cannot start here: ${NETSEND_X86_32_WHY:-no 32-bit x86 code runs}, and ${NETSEND_EMULATION_WHY:-there is no emulation}"
    exit 77
  fi
  exec wine "$@"
fi
if [ "${NETSEND_X86_32:-native}" != native ] && [ -f "$1" ] && file -b "$1" | grep -q '^PE32 executable'; then
  echo "wine-run: skipped, the 32-bit $(basename "$1") cannot start here: ${NETSEND_X86_32_WHY:-no 32-bit x86 code runs}"
  exit 77
fi
# A program tried at another dpi (NETSEND_WINE_DPI). Wine 9 and later read the dpi once, when a prefix's
# wineserver starts, so such a program runs under a server of its own: a second prefix that shares the
# first one's drive_c and starts its server with that dpi. Wine 8 reads it at every start; the same
# serves both.
if [ -n "${NETSEND_WINE_DPI:-}" ]; then
  own=$WINEPREFIX-dpi$NETSEND_WINE_DPI
  # Made afresh each time from the first one's settings, which are a few files.
  rm -rf "$own" && mkdir -p "$own"
  cp -a "$WINEPREFIX"/*.reg "$WINEPREFIX"/dosdevices "$own"/
  ln -s "$WINEPREFIX/drive_c" "$own/drive_c"
  export WINEPREFIX=$own
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$NETSEND_WINE_DPI" /f >/dev/null 2>&1
  wineserver --kill >/dev/null 2>&1 || true
  wineserver --wait >/dev/null 2>&1 || true
fi
exec wine "$@"
