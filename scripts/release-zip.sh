#!/usr/bin/env bash
# Packs one release zip: the exe and the Russian user guide, as README.txt, in this order, with fixed
# dates and permissions and no owner or time fields of this machine (zip -X), so that the same exe and
# guide always give the same bytes. Run by the build (cmake/release.cmake); other zips in the zip's
# folder are removed, so that it holds the current package only.
#   release-zip.sh <zip to write> <entry date, YYYY-MM-DD> <net_send.exe> <guide, UTF-8 text>
set -euo pipefail
zip_file=$1 entry_date=$2 exe=$3 guide=$4
out_dir=$(dirname "$zip_file")
mkdir -p "$out_dir"
stage=$(mktemp -d "$out_dir/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

cp "$exe" "$stage/net_send.exe"
# UTF-16 LE with its byte order mark is the text Notepad itself calls "Unicode": every Notepad from
# Windows XP to 11 opens it as such, whatever the system's code page. Lines end in CR LF.
{ printf '\xff\xfe'; sed 's/\r$//; s/$/\r/' "$guide" | iconv -f UTF-8 -t UTF-16LE; } >"$stage/README.txt"
chmod 0755 "$stage/net_send.exe"
chmod 0644 "$stage/README.txt"
# The zip's entry times are local time without a zone; in UTC they read the same on every build machine.
export TZ=UTC
touch -d "$entry_date 00:00:00" "$stage/net_send.exe" "$stage/README.txt"

find "$out_dir" -maxdepth 1 -name '*.zip' -delete
(cd "$stage" && zip -q -X -D "$stage/package.zip" net_send.exe README.txt)
mv "$stage/package.zip" "$zip_file"
