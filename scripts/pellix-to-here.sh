#!/usr/bin/env bash
# The main job, the way a user meets it: Pellix is installed with its setup
# program (silently) into a fresh private Wine prefix, then "Pellix to here"
# is picked on a folder, exactly as Explorer does it: the context-menu
# handler is created by its class identifier, set up on the folder and
# invoked; it starts the installed Pellix.exe, which scans a page from the
# Pellix Virtual Scanner into the folder. Installs and builds what is
# missing first.
#
#   scripts/pellix-to-here.sh [FOLDER]
#
# FOLDER defaults to scans/ in the repository. Prints the JPEG written.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
folder=${1:-$root/scans}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)

bash scripts/setup.sh >/dev/null
[ -f build/mingw-x64/build.ninja ] || cmake --preset mingw-x64 >/dev/null
# The installer belongs to the x64 build, which brings the x86 build along.
cmake --build build/mingw-x64 --target pellix_setup installed_check >/dev/null

prefix=$root/build/mingw-x64/wine/prefix-demo
scripts/wine-run.sh --prefix "$prefix" --stop >/dev/null 2>&1 || true
rm -rf "$prefix"
# Wine's TWAIN manager only looks at twain_32\sane.ds, so the scanner goes
# there rather than where the setup program's optional component puts it.
scripts/install-virtual-scanner.sh "$prefix" dist/x86/PellixVirtualScanner.ds x86 >/dev/null
trap 'scripts/wine-run.sh --prefix "$prefix" --stop >/dev/null 2>&1' EXIT

echo "Installing dist/PellixSetup.exe into $prefix ..." >&2
scripts/wine-run.sh --prefix "$prefix" "Z:${root//\//\\}\\dist\\PellixSetup.exe" /S

export PELLIX_VSCAN_ANSWER=${PELLIX_VSCAN_ANSWER:-scan}
windows_folder=$(scripts/wine-run.sh --prefix "$prefix" winepath -w "$folder" | tr -d '\r')
echo "Picking \"Pellix to here\" on $windows_folder ..." >&2
marker=$(mktemp)
scripts/wine-run.sh --prefix "$prefix" build/mingw-x64/tests/installer/installed_check.exe \
	road "$windows_folder"
written=$(find "$folder" -maxdepth 1 -type f -name '*.jpg' -newer "$marker" | sort)
rm -f "$marker"
if [ -z "$written" ]; then
	echo "No page was written." >&2
	exit 1
fi
echo "$written"
