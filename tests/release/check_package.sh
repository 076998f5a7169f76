#!/usr/bin/env bash
# A release zip as a user gets it: exactly the exe and the guide, under plain ASCII names; the exe as
# built; the guide in UTF-16 LE with CR LF line ends that reads back as the Russian text of the guide's
# source; and, when given the end-to-end driver, the unzipped program starting and showing its window.
#   check_package.sh <zip> <built net_send.exe> <guide source> [<e2e driver> <net.exe stand-in>]
set -euo pipefail
zip_file=$1 built_exe=$2 guide=$3 driver=${4:-} net_double=${5:-}
fail() { echo "package: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

entries=$(unzip -Z1 "$zip_file" | tr '\n' ' ')
[ "$entries" = "net_send.exe README.txt " ] || fail "entries are: $entries"
unzip -q "$zip_file" -d "$work/unzipped"
cmp -s "$work/unzipped/net_send.exe" "$built_exe" || fail "the zip's exe is not the exe as built"

readme=$work/unzipped/README.txt
[ "$(head -c 2 "$readme" | od -An -tx1 | tr -d ' \n')" = fffe ] ||
  fail "README.txt does not begin with the UTF-16 LE byte order mark"
tail -c +3 "$readme" | iconv -f UTF-16LE -t UTF-8 >"$work/readme.utf8" || fail "README.txt is not UTF-16 LE"
! grep -q $'[^\r]$\|^$' "$work/readme.utf8" || fail "README.txt has a line that does not end in CR LF"
sed 's/\r$//' "$work/readme.utf8" | cmp -s - "$guide" || fail "README.txt does not read back as the guide"

if [ -n "$driver" ]; then
  # One start of the unzipped exe, through the end-to-end driver: its window opens and lists every saved
  # name, Cyrillic ones among them. The driver counts the case as passed only if it ran.
  status=0
  output=$("$(dirname "$0")/../../scripts/wine-run.sh" "$driver" --dpi=96 --gtest_filter=ListAtStart.Shows/EveryRuleInOneFile \
           "$work/unzipped/net_send.exe" "$net_double" 2>&1) || status=$?
  # Where the driver cannot start at all (no 32-bit code here), the contents were checked and the start is a skip.
  [ "$status" != 77 ] || { echo "package: $output"; exit 77; }
  [ "$status" = 0 ] || fail "the unzipped exe failed: $output"
  grep -q '^\[ *OK \] .*ListAtStart.Shows/EveryRuleInOneFile' <<<"$output" || fail "the unzipped exe was not started: $output"
fi
echo "package: $(basename "$zip_file") holds $entries- as it should"
