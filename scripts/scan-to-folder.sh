#!/usr/bin/env bash
# The main job: Pellix scans a page into a folder, exactly as "Pellix to
# here" starts it (the folder as the whole command tail), from the Pellix
# Virtual Scanner, under Wine. Installs and builds what is missing first.
#
#   scripts/scan-to-folder.sh [FOLDER] [--interactive]
#
# FOLDER defaults to scans/ in the repository. Without --interactive the
# scanner answers by itself (headless is fine). With --interactive, on a
# desktop (DISPLAY set), the scanner's dialog and, when Pellix.ini asks for
# it, the filename prompt wait for you.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

folder=""
interactive=0
for arg in "$@"; do
	case "$arg" in
	--interactive) interactive=1 ;;
	*) folder=$arg ;;
	esac
done
folder=${folder:-$root/scans}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)

bash scripts/setup.sh >/dev/null
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 --target Pellix pellix_virtual_scanner >/dev/null
prefix=build/mingw-x64/wine/prefix
scripts/install-virtual-scanner.sh "$prefix" dist/x64/PellixVirtualScanner.ds x64 >/dev/null

if [ "$interactive" -eq 1 ]; then
	unset PELLIX_VSCAN_ANSWER
else
	export PELLIX_VSCAN_ANSWER=${PELLIX_VSCAN_ANSWER:-scan}
fi

# Wine quotes an argument that holds blanks, which Pellix would rightly take
# as no folder; the short form has none and names the same folder.
windows_folder=$(scripts/wine-run.sh --prefix "$prefix" winepath -s "$folder" | tr -d '\r')

marker=$(mktemp)
scripts/wine-run.sh --prefix "$prefix" dist/x64/Pellix.exe "$windows_folder"
written=$(find "$folder" -maxdepth 1 -type f -name '*.jpg' -newer "$marker" | sort)
rm -f "$marker"
if [ -z "$written" ]; then
	echo "No page was written (scan cancelled?)." >&2
	exit 1
fi
echo "$written"
