#!/usr/bin/env bash
# Installs the virtual scanner into a private Wine prefix, where Wine's TWAIN
# manager finds it: C:\windows\twain_32 (32-bit) or twain_64 (64-bit) under
# the two names the manager loads. The first copy is "Pellix Virtual
# Scanner"; the second (gphoto2.ds) announces itself as a gray scanner of
# another name, so that choosing a source can be tested.
#
#   install-virtual-scanner.sh PREFIX DS_FILE x86|x64
set -euo pipefail

prefix=$1
ds=$2
arch=$3
here=$(cd "$(dirname "$0")" && pwd)

# Creates the prefix (and its session) when it is not there yet.
"$here/wine-run.sh" --prefix "$prefix" cmd /c exit

case "$arch" in
x86) dir="$prefix/drive_c/windows/twain_32" ;;
x64) dir="$prefix/drive_c/windows/twain_64" ;;
*)
	echo "install-virtual-scanner.sh: unknown architecture $arch" >&2
	exit 2
	;;
esac
mkdir -p "$dir"
cp -f "$ds" "$dir/sane.ds"
rm -f "$dir/sane.ini"
cp -f "$ds" "$dir/gphoto2.ds"
printf '[Scanner]\r\nProductName=Pellix Virtual Scanner (gray)\r\nPixelType=gray\r\n' >"$dir/gphoto2.ini"
# gphoto2.ds is also the name of one of Wine's own libraries, which would win
# (and spend seconds looking for cameras): prefer the file in the folder.
"$here/wine-run.sh" --prefix "$prefix" reg add 'HKCU\Software\Wine\DllOverrides' \
	/v gphoto2.ds /d native /f >/dev/null
echo "virtual scanner installed in $dir"
