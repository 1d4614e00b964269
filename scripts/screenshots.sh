#!/usr/bin/env bash
# Takes the README's pictures into docs/screenshots: the main window with a
# scanned page, the Options dialog on both tabs, the About box, the close
# question and the filename prompt. Runs the x86 build under Wine, in a
# prefix of its own, with the virtual scanner answering by itself.
#
#   scripts/screenshots.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=build/mingw-x86
[ -f "$build/build.ninja" ] || cmake --preset mingw-x86 >/dev/null
cmake --build "$build" --target Pellix pellix_screenshots pellix_virtual_scanner >/dev/null

prefix=$root/$build/wine/prefix-screenshots
scripts/install-virtual-scanner.sh "$prefix" dist/x86/PellixVirtualScanner.ds x86 >/dev/null

# A copy of the program with settings of its own: a quality of 85 and the
# filename prompt with both suggestions.
work=$(mktemp -d)
trap 'rm -rf "$work"; scripts/wine-run.sh --prefix "$prefix" --stop' EXIT
cp dist/x86/Pellix.exe "$work/"
printf '[Quality]\r\nJPGQuality=85\r\nAskForFilename=True\r\nFilenameUseDate=True\r\nFilenameUseFolder=True\r\n' \
	>"$work/Pellix.ini"
mkdir -p "$work/out"
scripts/wine-run.sh --prefix "$prefix" "$build/tests/pellix_screenshots.exe" \
	"Z:${work//\//\\}\\Pellix.exe" "Z:${work//\//\\}\\out"

mkdir -p docs/screenshots
for picture in "$work"/out/*.bmp; do
	name=$(basename "$picture" .bmp)
	convert "$picture" -strip "docs/screenshots/$name.png"
	echo "docs/screenshots/$name.png"
done
