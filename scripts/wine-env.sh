# Sourced by scripts/test.sh and scripts/run.sh: a Wine prefix and, when needed, a virtual display of our
# own, and a clean stop of both. Nothing here touches a prefix or a display that we did not make.

netsend_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
netsend_xvfb_pid=
netsend_made_display=

# Wine's ANSI code page comes from the locale: Russian gives code page 1251, as on the target machines.
export LANG=ru_RU.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No installer dialogs for Mono or Gecko: nothing we build needs them. A native net.exe, which the tests
# put in the prefix's system folder in place of Wine's own, runs instead of Wine's, and an oleacc.dll
# found beside a program is loaded before Wine's own, as Windows loads it (the tests plant one); Wine's
# own files in the system folder still run as Wine's ("n" alone would refuse them). Wine 8 reads these
# from the Unix environment it was started with: a value in the environment that a Windows program hands
# to a process it starts is not used.
export WINEDLLOVERRIDES="mscoree,mshtml=;net.exe,oleacc=n,b"

netsend_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--own" ]; then
    return
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # -displayfd picks a free display number and tells us which.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  netsend_xvfb_pid=$!
  local number
  read -r -t 30 number <"$fifo" || { echo "wine-env: Xvfb did not start" >&2; rm -f "$fifo"; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$number"
  netsend_made_display=1
}

# Whether this machine runs 32-bit x86 code, found out once per run by trying: a 96-byte static i386 ELF
# program that only exits with status 42. Some machines of the same kernel release refuse every 32-bit
# program ("Exec format error"), and there only Wine's 64-bit loader works. NETSEND_NO_32BIT=1 takes the
# path of such a machine on any machine, so that both paths can be tested on one.
# Sets NETSEND_X86_32 to "native" or "none" and NETSEND_X86_32_WHY to the reason, both exported, so that
# the scripts and tests this run starts ask no further.
netsend_probe_x86_32() {
  [ -n "${NETSEND_X86_32:-}" ] && return
  export NETSEND_X86_32 NETSEND_X86_32_WHY
  if [ "${NETSEND_NO_32BIT:-}" = 1 ]; then
    NETSEND_X86_32=none NETSEND_X86_32_WHY="NETSEND_NO_32BIT=1 takes the path of a machine without 32-bit x86 code"
    return
  fi
  local probe status entry
  mkdir -p "$netsend_root/build"
  probe=$(mktemp "$netsend_root/build/x86-32-probe.XXXXXX")
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  entry=$(netsend_i386_binfmt_entry)
  if [ "$status" != 42 ]; then
    NETSEND_X86_32=none NETSEND_X86_32_WHY="a 32-bit x86 program does not run here (exit status $status)"
  elif [ -n "$entry" ]; then
    # It ran, but through a handler of binfmt_misc (an emulator), not on the processor itself.
    NETSEND_X86_32=none NETSEND_X86_32_WHY="32-bit x86 programs run here only through binfmt_misc's $entry"
  else
    NETSEND_X86_32=native NETSEND_X86_32_WHY="32-bit x86 programs run natively"
  fi
}

# The first enabled binfmt_misc entry that takes i386 ELF programs, as "name (interpreter)"; empty if none.
netsend_i386_binfmt_entry() {
  local misc=/proc/sys/fs/binfmt_misc file
  [ -e "$misc/status" ] && [ "$(cat "$misc/status")" = enabled ] || return 0
  for file in "$misc"/*; do
    case ${file##*/} in register|status) continue ;; esac
    grep -qx enabled "$file" 2>/dev/null && grep -q '^magic 7f454c46010101.*0300' "$file" 2>/dev/null || continue
    echo "${file##*/} ($(awk '/^interpreter/ {print $2}' "$file"))"
    return 0
  done
}

# Where 32-bit code does not run, Wine is its 64-bit loader and a 64-bit prefix of its own: Debian's
# `wine` (and `wine-stable`, which `wineboot` and the other tools call) would pick the 32-bit loader
# whenever wine32 is installed.
netsend_use_wine64() {
  local bin=$netsend_root/build/wine64-bin name
  mkdir -p "$bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/$name"
    chmod +x "$bin/$name"
  done
  case :$PATH: in *":$bin:"*) ;; *) export PATH="$bin:$PATH" ;; esac
  # The loader a 64-bit process execs for a 32-bit one is this name without its "64".
  export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
}

# $1: prefix folder. A new prefix takes a minute to make; it is kept for the next run. Without 32-bit code
# the prefix is "$1-64", kept apart from the one that 32-bit Wine makes; with --emulated (after
# netsend_emulation_start) it is "$1-emulated", where the 64-bit half of Wine runs natively and its 32-bit
# half, with the 32-bit build, under emulation (making it takes about five minutes).
netsend_start_wine() {
  netsend_probe_x86_32
  local prefix=$1
  if [ "${2:-}" = --emulated ]; then
    netsend_use_wine64
    prefix=$1-emulated
  elif [ "$NETSEND_X86_32" != native ]; then
    echo "wine-env: $NETSEND_X86_32_WHY"
    netsend_use_wine64
    prefix=$1-64
    echo "wine-env: Wine runs through its 64-bit loader in the 64-bit prefix $prefix; the 32-bit build cannot be started natively"
  fi
  export WINEPREFIX=$prefix
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: making the Wine prefix $WINEPREFIX (once)"
    wine wineboot --init >/dev/null 2>&1
    wineserver --wait
  fi
  # A persistent wineserver spares every test the server's start-up.
  wineserver --persistent=60
  # Start Wine once now, so that its background services (started with the first program) are
  # already running before any test. Started by a test instead, they would inherit ctest's output pipe
  # and hold it open until the wineserver exits, and that first test would wait about 60 s for its end.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  export NETSEND_WINE_READY=1
}

# Wine's virtual desktop, which draws the windows' frames: netsend_desktop NAME,WIDTHxHEIGHT PROGRAM.
# It is started through the 64-bit loader where there is one: started through the 32-bit one, Wine 10
# puts the desktop's screen a screen height above the windows it shows, which then fall off the bottom
# of it (seen on Debian 13; Wine 8 shows them either way).
netsend_desktop() {
  local loader=wine
  [ -x /usr/lib/wine/wine64 ] && loader=/usr/lib/wine/wine64
  "$loader" explorer "/desktop=$1" "${@:2}"
}

netsend_stop_wine() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver --kill >/dev/null 2>&1 || true
    wineserver --wait >/dev/null 2>&1 || true
  fi
}

netsend_stop_all() {
  netsend_stop_wine
  netsend_emulation_stop
  if [ -n "$netsend_xvfb_pid" ]; then
    kill "$netsend_xvfb_pid" 2>/dev/null || true
    wait "$netsend_xvfb_pid" 2>/dev/null || true
  fi
}

# CPU emulation of 32-bit x86 programs, for the 32-bit build where the processor cannot run it: qemu-user
# registered with binfmt_misc for i386 ELF programs for as long as this run lasts (an entry registered later
# is used before older ones and before the kernel's own loader). An i386 entry that is already there is
# used as it is and left alone. Sets NETSEND_EMULATION to 1, or empty with NETSEND_EMULATION_WHY saying
# why there is none.
netsend_emulation_entry=
netsend_emulation_start() {
  export NETSEND_EMULATION= NETSEND_EMULATION_WHY=
  local misc=/proc/sys/fs/binfmt_misc existing qemu
  existing=$(netsend_i386_binfmt_entry)
  case $existing in
    *qemu*) NETSEND_EMULATION=1; echo "wine-env: 32-bit programs are emulated through binfmt_misc's $existing"; return ;;
  esac
  qemu=$(command -v qemu-i386 || true)
  if [ -z "$qemu" ]; then
    NETSEND_EMULATION_WHY="qemu-i386 is missing (scripts/setup.sh installs qemu-user)"
  elif [ "$(id -u)" -ne 0 ]; then
    NETSEND_EMULATION_WHY="registering an emulator with binfmt_misc needs root"
  elif ! { [ -e "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null; }; then
    NETSEND_EMULATION_WHY="binfmt_misc is not available on this machine"
  else
    netsend_emulation_entry=netsend-i386-$$
    # The same magic and mask as the kernel's i386 ELF executables and libraries; F opens qemu now, so
    # that it is found from any folder and inside a chroot.
    if printf '%s' ":$netsend_emulation_entry:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:$qemu:F" \
         >"$misc/register" 2>/dev/null; then
      NETSEND_EMULATION=1
      echo "wine-env: 32-bit programs are emulated by $qemu (binfmt_misc entry $netsend_emulation_entry, removed at the end)"
      return
    fi
    netsend_emulation_entry=
    NETSEND_EMULATION_WHY="binfmt_misc refused the emulator's entry"
  fi
  echo "wine-env: no emulation of 32-bit programs: $NETSEND_EMULATION_WHY"
}

netsend_emulation_stop() {
  local entry=/proc/sys/fs/binfmt_misc/$netsend_emulation_entry
  [ -n "$netsend_emulation_entry" ] && [ -e "$entry" ] && echo -1 >"$entry"
  netsend_emulation_entry=
}

# ctest lists a skipped entry without its output: the reasons it gave, from ctest's log ($1).
netsend_skip_reasons() {
  [ -f "$1" ] || return 0
  local reasons
  reasons=$(awk '
    /^[0-9]+\/[0-9]+ Test: / { name = $3; next }
    /wine-run: skipped/ { sub(/^.*wine-run: /, ""); print name ": " $0; next }
    skipped { print name ": " $0; skipped = 0; next }
    /: Skipped$/ { skipped = 1 }
  ' "$1" | sort -u)
  [ -z "$reasons" ] || printf 'Why entries or cases were skipped:\n%s\n' "$reasons"
}
