#!/usr/bin/env bash
# Times unattended A4 300 dpi acquisitions from the virtual scanner under Wine
# (x64 and x86) beside a plain write of the same bytes.
#
#   scripts/bench-acquire.sh [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-5}
for arch in x64 x86; do
	preset=mingw-$arch
	cmake --preset "$preset" >/dev/null
	cmake --build --preset "$preset" --target acquire_bench pellix_virtual_scanner >/dev/null
	prefix=build/$preset/wine/prefix
	scripts/install-virtual-scanner.sh "$prefix" "dist/$arch/PellixVirtualScanner.ds" "$arch" >/dev/null
	echo "== $arch"
	scripts/wine-run.sh --prefix "$prefix" "build/$preset/bench/acquisition/acquire_bench.exe" "$runs"
done
