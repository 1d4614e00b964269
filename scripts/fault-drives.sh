#!/usr/bin/env bash
# Two small drives for the fault tests of a Wine prefix, each a size-limited
# tmpfs mounted under WINEDIR and linked into the prefix's dosdevices:
#   S:  256 KiB, read and write: the tests fill it up (a full disk)
#   R:  64 KiB, mounted read-only (a drive that refuses every write)
# Mounting needs root (CAP_SYS_ADMIN); without it the links are not made and
# the tests that need the drives say they were skipped.
#
#   fault-drives.sh WINEDIR map      WINEDIR holds the prefix (WINEDIR/prefix)
#   fault-drives.sh WINEDIR unmap
set -uo pipefail

wine_dir=$(cd "$1" && pwd) || exit 1
action=$2
devices=$wine_dir/prefix/dosdevices
small=$wine_dir/drive_small
readonly_drive=$wine_dir/drive_readonly

unmap() {
	rm -f "$devices/s:" "$devices/r:"
	for dir in "$small" "$readonly_drive"; do
		if mountpoint -q "$dir"; then
			umount "$dir" 2>/dev/null || umount -l "$dir"
		fi
	done
}

case $action in
unmap)
	unmap
	exit 0
	;;
map) ;;
*)
	echo "fault-drives.sh: map or unmap" >&2
	exit 2
	;;
esac

unmap
mkdir -p "$small" "$readonly_drive" "$devices"
if ! mount -t tmpfs -o size=256k,mode=0777 pellix-full "$small" 2>/dev/null ||
	! mount -t tmpfs -o size=64k,mode=0777 pellix-readonly "$readonly_drive" 2>/dev/null ||
	! mount -o remount,ro "$readonly_drive" 2>/dev/null; then
	echo "fault-drives.sh: cannot mount small drives here (root needed); their tests skip"
	unmap
	exit 0
fi
ln -sfn "$small" "$devices/s:"
ln -sfn "$readonly_drive" "$devices/r:"
echo "fault-drives.sh: S: is a 256 KiB drive, R: a read-only drive"
