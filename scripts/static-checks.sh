#!/usr/bin/env bash
# Static checks on the program's sources in src/ (not the tests): clang-tidy with the checks in
# .clang-tidy, then cppcheck. Lists every finding and exits non-zero if there is one.
#
#   bash scripts/static-checks.sh
#
# Two configurations, each with compile commands from a folder of its own:
#   build/static        native, clang: the portable core (src/common, src/recipients, src/dispatch) as
#                       the native tests build it, *_posix.cpp and the built-in code page included;
#   build/static-win32  mingw-w64 i686: the shipped program, core and Win32 shell. clang-tidy reads it as
#                       i686-w64-mingw32 with the cross compiler's own C++ and system headers.
# A finding that can be neither fixed nor avoided is marked in the source: `// NOLINT(check): reason`
# for clang-tidy, `// cppcheck-suppress id` for cppcheck.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
jobs=${NETSEND_STATIC_JOBS:-$(nproc)}

tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
cross=i686-w64-mingw32-g++-win32

run_quiet() {  # runs a command, shows its output only when it fails
  local out
  if ! out=$("$@" 2>&1); then
    printf '%s\n' "$out" >&2
    echo "static-checks: failed: $*" >&2
    exit 2
  fi
}

# Configuring again each time is quick and picks up sources added since the last run.
run_quiet cmake -S . -B build/static -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
run_quiet cmake -S . -B build/static-win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

# The sources a compile database builds, limited to src/ (CMake writes one "file" line per entry).
sources_of() {
  grep -o '"file": *"[^"]*"' "$1/compile_commands.json" | sed 's/^"file": *"//; s/"$//' | sort -u |
    while IFS= read -r f; do
      case $f in "$root"/src/*.cpp) printf '%s\n' "$f" ;; esac
    done
}
mapfile -t core_files < <(sources_of build/static)
mapfile -t win_files < <(sources_of build/static-win32)

# Sources in src/ that no configuration compiles are not checked; say so rather than pass in silence.
mapfile -t unbuilt < <(comm -23 <(find "$root/src" -name '*.cpp' | sort) \
                                <(printf '%s\n' "${core_files[@]}" "${win_files[@]}" | sort -u))
for f in "${unbuilt[@]}"; do
  [ -n "$f" ] && echo "static-checks: note: ${f#"$root"/} is in no build and was not checked"
done

# clang does not find Debian's mingw-w64 C++ headers by itself (their folder is named "12-win32", not a
# version), so it gets the cross compiler's own list: its C++ folders first, then clang's built-in
# headers (the cross compiler's intrinsics are not clang's), then the mingw-w64 system headers.
gcc_private=$(realpath -m "$("$cross" -print-file-name=include)")
gcc_fixed=$(realpath -m "$("$cross" -print-file-name=include-fixed)")
win_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc)
system_dirs=()
while IFS= read -r dir; do
  dir=$(realpath -m "$dir")
  case $dir in
    "$gcc_private" | "$gcc_fixed") ;;
    */include/c++ | */include/c++/*) win_args+=("--extra-arg=-isystem$dir") ;;
    *) system_dirs+=("--extra-arg=-isystem$dir") ;;
  esac
done < <("$cross" -x c++ -E -v - </dev/null 2>&1 | sed -n '/^#include <...> search starts here:/,/^End of search list/p' |
           sed -n 's/^ //p')
win_args+=("--extra-arg=-isystem$(clang++ -print-resource-dir)/include" "${system_dirs[@]}")

# One clang-tidy per source, in parallel, each into a log of its own so that reports do not interleave.
logs=build/static/tidy
rm -rf "$logs"
mkdir -p "$logs"
tidy_one() {  # compile database folder, source
  local db=$1 file=$2 extra=()
  [ "$db" = build/static-win32 ] && mapfile -t extra <<<"$WIN_ARGS"
  local log="$logs/${db#build/}__$(printf '%s' "${file#"$root"/}" | tr '/' '_').log"
  "$tidy" -p "$db" --quiet --extra-arg=-Wno-unknown-warning-option "${extra[@]}" "$file" >"$log" 2>&1 ||
    echo "clang-tidy exit status $?" >>"$log"
}
export -f tidy_one
export tidy root logs
WIN_ARGS=$(printf '%s\n' "${win_args[@]}")
export WIN_ARGS
# The Win32 sources first: they take longest (windows.h), the core fills the gaps at the end.
{
  for f in "${win_files[@]}"; do printf '%s\0%s\0' build/static-win32 "$f"; done
  for f in "${core_files[@]}"; do printf '%s\0%s\0' build/static "$f"; done
} | xargs -0 -n 2 -P "$jobs" bash -c 'tidy_one "$1" "$2"' _

# A header's finding comes once per source that includes it; each is listed once.
tidy_findings=$(cat "$logs"/*.log | sed 's/\x1b\[[0-9;]*m//g' |
  grep -E '^[^ :]+:[0-9]+:[0-9]+: (warning|error): ' | sed "s|^$root/||" | sort -u || true)
tidy_failed=$(grep -l '^clang-tidy exit status' "$logs"/*.log || true)
tidy_count=0
[ -n "$tidy_findings" ] && tidy_count=$(wc -l <<<"$tidy_findings")
echo "static-checks: clang-tidy: $((${#win_files[@]} + ${#core_files[@]})) runs (${#win_files[@]} win32, ${#core_files[@]} native), $tidy_count findings, $((SECONDS - started)) s"
[ -n "$tidy_findings" ] && printf '%s\n' "$tidy_findings"
if [ -n "$tidy_failed" ] && [ "$tidy_count" -eq 0 ]; then
  # Failed without a finding it could place: show why.
  for log in $tidy_failed; do tail -n 20 "$log"; done >&2
fi
tidy_started=$SECONDS

# cppcheck: the same two configurations. It reads no system headers; --library tells it what the Win32
# and POSIX calls do, and the defines name what the compilers themselves would define.
cppcheck_common=(--enable=warning,performance,portability --error-exitcode=1 --inline-suppr --quiet
                 --std=c++17 --language=c++ -j "$jobs" --suppress=missingIncludeSystem
                 --template='{file}:{line}:{column}: {severity}: {message} [{id}]')
# cppcheck 2.11 and later stop following branches in a long function unless told to follow them all,
# as earlier versions always did (and say so as a finding); the same analysis on every release.
[[ $(cppcheck --help 2>/dev/null || true) == *--check-level* ]] && cppcheck_common+=(--check-level=exhaustive)
cppcheck_status=0
cppcheck_out=$(
  cppcheck "${cppcheck_common[@]}" --project=build/static/compile_commands.json \
    --file-filter='src/*' \
    --library=posix -D__GNUC__ -D__x86_64__ -D__SSE2__ 2>&1 || echo "cppcheck exit status $?"
  cppcheck "${cppcheck_common[@]}" --project=build/static-win32/compile_commands.json \
    --file-filter='src/*' \
    --library=windows --platform=win32W -D_WIN32 -D__MINGW32__ -D__GNUC__ -D__i386__ 2>&1 ||
    echo "cppcheck exit status $?"
)
cppcheck_findings=$(sed "s|^$root/||" <<<"$cppcheck_out" | grep -v '^cppcheck exit status' | grep -v '^$' | sort -u || true)
grep -q '^cppcheck exit status' <<<"$cppcheck_out" && cppcheck_status=1
cppcheck_count=0
[ -n "$cppcheck_findings" ] && cppcheck_count=$(wc -l <<<"$cppcheck_findings")
echo "static-checks: cppcheck: $cppcheck_count findings, $((SECONDS - tidy_started)) s"
[ -n "$cppcheck_findings" ] && printf '%s\n' "$cppcheck_findings"

echo "static-checks: total $((SECONDS - started)) s"
if [ "$tidy_count" -gt 0 ] || [ -n "$tidy_failed" ] || [ "$cppcheck_status" -ne 0 ] || [ "$cppcheck_count" -gt 0 ]; then
  echo "static-checks: FAILED" >&2
  exit 1
fi
echo "static-checks: clean"
