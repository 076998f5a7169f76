#!/usr/bin/env bash
# Installs everything the build and the tests need, on Debian 12 (bookworm) and Debian 13 (trixie) alike.
# Idempotent: when every package is already present it only checks and returns.
#
# One list for every release. Where a name differs between releases, the entry lists the names to try,
# "a|b": the first one apt offers is taken, so the list holds no table of releases. On a release not
# named above the same list is tried, and the script says so.
set -euo pipefail

packages=(
  cmake ninja-build g++ make googletest
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick locales
  # The unversioned name follows the release's default clang (14 on Debian 12, 19 on 13); the versioned
  # one, matching the clang apt offers, for a release that has no unversioned name.
  clang "libclang-rt-dev|libclang-rt-@CLANG@-dev" clang-tidy cppcheck libbenchmark-dev
  # qemu-i386 starts the 32-bit build under emulation where the processor runs no 32-bit code. Taken
  # without its recommended qemu-user-binfmt, so that installing it never changes how the machine runs
  # 32-bit programs (binfmt_misc); the static qemu-user-static would register itself too.
  qemu-user
  # flock and taskset; chattr, which makes a test file unwritable even for root (Debian 13's minimal
  # system no longer has it).
  util-linux e2fsprogs
  procps file xdotool zip unzip
)

release() {  # "Debian 13 (trixie)", or whatever the system says it is
  (. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-${NAME:-unknown} ${VERSION_ID:-}}") || echo unknown
}
codename=$( (. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}") || true)
case $codename in
  bookworm | trixie) known=1 ;;
  *) known=0 ;;
esac

present() {  # entry: true if dpkg has one of its names installed (a versioned name in any version)
  local p status
  while IFS= read -r p; do
    status=$(dpkg-query -W -f='${Status}\n' "${p//@CLANG@/*}" 2>/dev/null || true)
    [[ $status == *"install ok installed"* ]] && return 0
  done < <(tr '|' '\n' <<<"$1")
  return 1
}
offered() {  # package: true if apt has a candidate for it
  local candidate
  candidate=$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ {print $2; exit}')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ]
}
alternatives() {  # entry: its names, one a line, @CLANG@ being the major version of the clang apt offers
  local entry=$1 major
  if [[ $entry == *@CLANG@* ]]; then
    major=$(apt-cache policy clang 2>/dev/null | awk '/Candidate:/ {print $2; exit}' |
            sed -n 's/^[0-9]*://; s/^\([0-9][0-9]*\).*/\1/p')
    entry=${entry//@CLANG@/${major:-none}}
  fi
  tr '|' '\n' <<<"$entry"
}

missing=()
for entry in "${packages[@]}"; do
  present "$entry" || missing+=("$entry")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]//@CLANG@/N}; run this script as root to install them" >&2
    exit 1
  fi
  if [ "$known" -eq 1 ]; then
    echo "setup: $(release): installing ${#missing[@]} packages"
  else
    echo "setup: $(release) is not a release this project is tested on (Debian 12 and 13); trying the same packages" >&2
  fi
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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

  # Each entry's first name that apt offers; an entry of which it offers none is reported, and the
  # others are installed all the same, so that one missing name does not hide what else is wrong.
  chosen=()
  unavailable=()
  for entry in "${missing[@]}"; do
    pick=
    while IFS= read -r p; do
      if offered "$p"; then pick=$p; break; fi
    done < <(alternatives "$entry")
    if [ -n "$pick" ]; then chosen+=("$pick"); else unavailable+=("$(alternatives "$entry" | paste -sd '|')"); fi
  done

  # No recommended packages: they would bring a desktop's worth with Wine, and binfmt_misc entries with
  # qemu-user.
  install=(apt-get install -y -qq --no-install-recommends)
  if [ ${#chosen[@]} -gt 0 ]; then
    # 32-bit and 64-bit copies of a library must be the same version. When one architecture's index of a
    # suite is missing (a mirror mid-sync), only the release suite itself offers matching pairs.
    if ! "${install[@]}" "${chosen[@]}" >/dev/null; then
      if [ -n "$codename" ]; then
        echo "setup: retrying with the packages of the release suite only" >&2
        "${install[@]}" -t "$codename" "${chosen[@]}" >/dev/null || true
      fi
    fi
  fi
  failed=()
  for p in "${chosen[@]}"; do
    present "$p" || failed+=("$p")
  done
  if [ ${#unavailable[@]} -gt 0 ] || [ ${#failed[@]} -gt 0 ]; then
    [ ${#unavailable[@]} -eq 0 ] || echo "setup: $(release) offers no package of these names: ${unavailable[*]}" >&2
    [ ${#failed[@]} -eq 0 ] || echo "setup: apt could not install: ${failed[*]}" >&2
    exit 1
  fi
fi

# Wine takes its ANSI code page (1251) from the Russian locale, which glibc must know.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
echo "setup: $(release): all packages present"
