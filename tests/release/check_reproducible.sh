#!/usr/bin/env bash
# Builds the 32-bit exe and its release zip once more, from a copy of the sources in another folder,
# and compares both with the first build byte for byte: no time, folder or user of the build machine may
# end up in either.
#   check_reproducible.sh <source folder> <first build folder> <its net_send.exe> <its release zip>
set -euo pipefail
source_dir=$1 first_build=$2 first_exe=$3 first_zip=$4
fail() { echo "reproducible: $*" >&2; exit 1; }

again=$first_build/reproduce/second-copy
rm -rf "$again"
mkdir -p "$again/sources"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$again/sources" -xf -
cmake -S "$again/sources" -B "$again/build" --preset win32 >"$again/configure.log" 2>&1 ||
  fail "configuring the second build failed; see $again/configure.log"
cmake --build "$again/build" --target release_zip -j 2 >"$again/build.log" 2>&1 ||
  fail "the second build failed; see $again/build.log"

second_exe=$again/build/src/app/net_send.exe
second_zip=$again/build/release/$(basename "$first_zip")
for folder in "$source_dir" "$first_build"; do
  if strings -a "$first_exe" | grep -qF "$folder" || strings -a -el "$first_exe" | grep -qF "$folder"; then
    fail "the exe names the build machine's folder $folder"
  fi
done
sha() { sha256sum "$1" | cut -d' ' -f1; }
[ "$(sha "$first_exe")" = "$(sha "$second_exe")" ] || fail "the two builds give different exes ($second_exe)"
[ "$(sha "$first_zip")" = "$(sha "$second_zip")" ] || fail "the two builds give different zips ($second_zip)"
echo "reproducible: exe $(sha "$first_exe"), zip $(sha "$first_zip"), the same from $again"
rm -rf "$again"
