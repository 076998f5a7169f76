#!/usr/bin/env bash
# Every test: installs what is missing, builds the three configurations, and runs one ctest over the
# native tests and the Windows tests, the latter under Wine in our own prefix and on our own display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
bash scripts/static-checks.sh
bash scripts/fuzz.sh

. scripts/wine-env.sh
. scripts/small-disks.sh
trap 'netsend_stop_all; netsend_small_disks_stop' EXIT
netsend_start_display --own
netsend_start_wine "$PWD/build/wine-prefix"
netsend_small_disks_start

log=build/native/Testing/Temporary/LastTest.log
status=0
if [ "$NETSEND_X86_32" = native ]; then
  ctest --preset all -j "${NETSEND_TEST_JOBS:-1}" "$@" || status=$?
  netsend_skip_reasons "$log"
  exit $status
fi
# No 32-bit code here: everything but the emulated entry in the 64-bit prefix, then that entry in a prefix
# whose 32-bit half runs under CPU emulation (skipped, saying why, where there can be none). With ctest
# arguments of the caller's, only those.
ctest --preset all -j "${NETSEND_TEST_JOBS:-1}" -E '^win32\.emulated$' "$@" || status=$?
netsend_skip_reasons "$log"
[ $# -eq 0 ] || exit $status
netsend_stop_wine
netsend_emulation_start
started=$SECONDS
[ -z "$NETSEND_EMULATION" ] || netsend_start_wine "$PWD/build/wine-prefix" --emulated
ctest --preset all -R '^win32\.emulated$' || status=$?
netsend_skip_reasons "$log"
echo "test: the emulated part took $((SECONDS - started)) s"
exit $status
