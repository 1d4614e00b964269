#!/usr/bin/env bash
# Times the unattended run under Wine (x64): Pellix.exe started on a folder
# with the virtual scanner answering by itself (A4, 300 dpi, colour, no
# prompt), from process start to exit, beside a trivial window program's
# start and exit in the same run, and beside the JPEG writing of such a page.
#
#   scripts/bench-run.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-7}
preset=mingw-x64
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Pellix pellix_virtual_scanner trivial_program acquire_bench >/dev/null
prefix=build/$preset/wine/prefix
scripts/install-virtual-scanner.sh "$prefix" dist/x64/PellixVirtualScanner.ds x64 >/dev/null
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
export PELLIX_VSCAN_ANSWER=scan PELLIX_VSCAN_PAGE=a4 PELLIX_VSCAN_DPI=300 PELLIX_VSCAN_PIXELTYPE=color
windows_folder=$(scripts/wine-run.sh --prefix "$prefix" winepath -s "$folder" | tr -d '\r')

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
time_ms() {
	local start end
	start=$(date +%s%N)
	"$@" >/dev/null 2>&1
	end=$(date +%s%N)
	echo $(((end - start) / 1000000))
}

# Warm up both (the first start loads libraries into the file cache).
time_ms scripts/wine-run.sh --prefix "$prefix" "build/$preset/bench/acquisition/trivial_program.exe" >/dev/null
time_ms scripts/wine-run.sh --prefix "$prefix" dist/x64/Pellix.exe "$windows_folder" >/dev/null

pellix=$(for _ in $(seq "$runs"); do time_ms scripts/wine-run.sh --prefix "$prefix" dist/x64/Pellix.exe "$windows_folder"; done | median)
trivial=$(for _ in $(seq "$runs"); do time_ms scripts/wine-run.sh --prefix "$prefix" "build/$preset/bench/acquisition/trivial_program.exe"; done | median)
jpeg=$(scripts/wine-run.sh --prefix "$prefix" "build/$preset/bench/acquisition/acquire_bench.exe" 3 | awk '/JPEG q90 ms/ {print $4}')
written=$(find "$folder" -name '*.jpg' | wc -l)

printf '%-34s %10s\n' "measure (median of $runs, x64)" "ms"
printf '%-34s %10s\n' "Pellix.exe scan-to-folder run" "$pellix"
printf '%-34s %10s\n' "trivial window program" "$trivial"
printf '%-34s %10s\n' "difference" "$((pellix - trivial))"
printf '%-34s %10s\n' "JPEG q90 of the page (in-process)" "$jpeg"
printf '%-34s %10s\n' "pages written" "$written"
