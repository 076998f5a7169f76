#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12. Idempotent: when every package is
# already present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ make googletest
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick locales
  clang libclang-rt-14-dev clang-tidy cppcheck libbenchmark-dev
  procps file xdotool zip unzip qemu-user
)

missing=()
have_i386=0
dpkg --print-foreign-architectures | grep -qx i386 && have_i386=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]}; run this script as root to install them" >&2
    exit 1
  fi
  [ "$have_i386" -eq 1 ] || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync answers with index files of the wrong size. Try again a little; if
  # one index stays broken, go on with the others (apt then uses what it has).
  for attempt in 1 2 3; do
    if apt-get update -qq 2>&1 | tee /dev/stderr | grep -q '^E:'; then
      sleep $((attempt * 5))
    else
      break
    fi
  done
  install=(apt-get install -y -qq --no-install-recommends)
  # 32-bit and 64-bit copies of a library must be the same version. When one architecture's index of a
  # suite is missing (a mirror mid-sync), only the release suite itself offers matching pairs.
  if ! "${install[@]}" "${missing[@]}" >/dev/null; then
    echo "setup: retrying with the packages of the release suite only" >&2
    "${install[@]}" -t "$(. /etc/os-release && echo "$VERSION_CODENAME")" "${missing[@]}" >/dev/null
  fi
fi

# Wine takes its ANSI code page (1251) from the Russian locale, which glibc must know.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
echo "setup: all packages present"
