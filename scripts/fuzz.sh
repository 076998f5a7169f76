#!/usr/bin/env bash
# Fuzzes the recipient file's reader (tests/fuzz/list_input_fuzz.cpp) with libFuzzer, AddressSanitizer
# and UBSan, in its own clang build in build/fuzz.
#
#   bash scripts/fuzz.sh                    # CI: 50 s of fuzzing, about a minute with the build
#   bash scripts/fuzz.sh 3600               # a long run: one hour
#   bash scripts/fuzz.sh 3600 -jobs=2 -workers=2 -use_value_profile=1   # more arguments go to libFuzzer
#
# Every saved crash in tests/fuzz/regressions is replayed first. Inputs that reach new code are kept in
# build/fuzz/corpus, so each run goes on from where the last one stopped; the seeds in tests/fuzz/corpus
# are only read. A crash or a broken invariant fails the script and leaves its input in
# build/fuzz/artifacts: put it in tests/fuzz/regressions under a name that says what it does, and give
# it a native test.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-50}
[ $# -gt 0 ] && shift
case $seconds in
  '' | *[!0-9]*) echo "fuzz: the first argument is the fuzzing time in seconds, not '$seconds'" >&2; exit 2 ;;
esac

build=build/fuzz
fuzzer=$build/list_input_fuzz
started=$SECONDS

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build"

regressions=()
for f in tests/fuzz/regressions/*; do
  case ${f##*/} in README*) continue ;; esac
  [ -f "$f" ] && regressions+=("$f")
done
if [ ${#regressions[@]} -gt 0 ]; then
  if ! "$fuzzer" "${regressions[@]}" >"$build/regressions.log" 2>&1; then
    tail -n 40 "$build/regressions.log" >&2
    echo "fuzz: a saved crash in tests/fuzz/regressions fails again (log: $build/regressions.log)" >&2
    exit 1
  fi
  echo "fuzz: ${#regressions[@]} saved crash inputs replayed, all pass"
fi

mkdir -p "$build/corpus" "$build/artifacts"
log=$build/fuzz.log
status=0
# The working corpus comes first: libFuzzer writes what it finds into the first folder only.
"$fuzzer" "$build/corpus" tests/fuzz/corpus \
  -max_total_time="$seconds" -print_final_stats=1 -dict=tests/fuzz/list_input.dict \
  -artifact_prefix="$build/artifacts/" -timeout=10 -rss_limit_mb=2048 "$@" >"$log" 2>&1 || status=$?

if [ "$status" -ne 0 ]; then
  # The sanitizer's or the invariant's report and the stack, without the progress lines before them.
  grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$log" | tail -n 60 >&2
  echo "fuzz: libFuzzer stopped with status $status after $((SECONDS - started)) s; the input is in $build/artifacts (full log: $log)" >&2
  exit 1
fi

last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
added=$(sed -n 's/^stat::new_units_added: *//p' "$log")
cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
corp=$(sed -n 's/.* corp: \([^ ]*\).*/\1/p' <<<"$last")
echo "fuzz: $executions executions in ${seconds} s ($per_second/s), no crash"
echo "fuzz: coverage cov: $cov edges, ft: $ft features; corpus $corp (inputs/size), $added new this run"
echo "fuzz: total $((SECONDS - started)) s; log: $log"
