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

ctest --preset all -j "${NETSEND_TEST_JOBS:-1}" "$@"
