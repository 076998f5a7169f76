# Sourced by scripts/test.sh after netsend_start_wine: two small disks for the end-to-end tests of a full
# disk and of a read-only one, each a tmpfs mounted under build/ and shown to Wine as a drive (a link in
# the prefix's dosdevices):
#   T:  64 KiB, empty; named to the tests in NETSEND_TINY_DISK
#   R:  read-only, holding a net_send.ini with two names; named in NETSEND_READONLY_DISK
#   U:  writable, holding a net_send.ini with two names that is marked read-only and made immutable;
#       named in NETSEND_READONLY_FILE_DISK
# (Wine keeps the read-only attribute as the Unix write permission, which root does not need; an immutable
# file cannot be written by root either.) Mounting needs root: without it, or when a mount fails, that
# disk is not set up and its test reports itself skipped. netsend_small_disks_stop undoes it all; call it after the Wine server has
# ended (it may hold the disks open).

netsend_small_disk_mounts=()
netsend_small_disk_links=()

# $1: drive letter, $2: mount options; then the file to put there and its bytes, if any, and how to make
# it unwritable: "disk" (the default) remounts the disk read-only, "file" makes the file immutable.
netsend_small_disk_mount() {
  local letter=$1 options=$2 file=${3:-} bytes=${4:-} unwritable=${5:-disk}
  local root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local mount_point="$root/build/small-disk-$letter-$$"
  local link="$WINEPREFIX/dosdevices/$letter:"
  # A link left by a run that was cut short points into build/small-disk-*; any other drive is not ours.
  if [ -e "$link" ] || [ -L "$link" ]; then
    case "$(readlink "$link")" in
      "$root"/build/small-disk-*) rm -f "$link" ;;
      *) echo "small disks: drive ${letter^^}: of $WINEPREFIX is in use; its test will be skipped" >&2
         return 1 ;;
    esac
  fi
  mkdir -p "$mount_point"
  if ! mount -t tmpfs -o "$options,mode=0777" netsend-small-disk "$mount_point"; then
    rmdir "$mount_point"
    echo "small disks: cannot mount a tmpfs; the test of drive ${letter^^}: will be skipped" >&2
    return 1
  fi
  netsend_small_disk_mounts+=("$mount_point")
  if [ -n "$file" ]; then
    printf '%b' "$bytes" >"$mount_point/$file"
    if [ "$unwritable" = file ]; then
      chmod a-w "$mount_point/$file" && chattr +i "$mount_point/$file" || return 1
    else
      mount -o remount,ro "$mount_point" || return 1
    fi
  fi
  ln -s "$mount_point" "$link"
  netsend_small_disk_links+=("$link")
}

netsend_small_disks_start() {
  if [ "$(id -u)" != 0 ]; then
    echo "small disks: not root, so no full or read-only disk; those tests will be skipped" >&2
    return 0
  fi
  if netsend_small_disk_mount t size=64k; then
    export NETSEND_TINY_DISK='T:'
  fi
  if netsend_small_disk_mount r size=64k net_send.ini 'PC1\r\nPC2\r\n'; then
    export NETSEND_READONLY_DISK='R:'
  fi
  if netsend_small_disk_mount u size=64k net_send.ini 'PC1\r\nPC2\r\n' file; then
    export NETSEND_READONLY_FILE_DISK='U:'
  fi
}

netsend_small_disks_stop() {
  local link mount_point
  for link in "${netsend_small_disk_links[@]}"; do
    rm -f "$link"
  done
  for mount_point in "${netsend_small_disk_mounts[@]}"; do
    chattr -R -i "$mount_point" 2>/dev/null || true
    umount "$mount_point" 2>/dev/null || umount -l "$mount_point" || true
    rmdir "$mount_point" 2>/dev/null || true
  done
  netsend_small_disk_links=()
  netsend_small_disk_mounts=()
  unset NETSEND_TINY_DISK NETSEND_READONLY_DISK NETSEND_READONLY_FILE_DISK
}
