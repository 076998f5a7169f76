#!/usr/bin/env bash
# Runs one Windows program under Wine inside the prefix and display that scripts/test.sh (or
# scripts/run.sh) made. Refuses to run elsewhere, so a test never touches the user's own ~/.wine.
set -eu
if [ -z "${NETSEND_WINE_READY:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: run the tests through scripts/test.sh, which makes the Wine prefix and display" >&2
  exit 2
fi
exec wine "$@"
