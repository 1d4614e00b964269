#!/usr/bin/env bash
# The long soak runs under Wine: COUNT unattended scan-to-folder runs of
# Pellix.exe into one folder, and one main window doing COUNT scan-and-save
# cycles while its handles, GDI and USER objects and private memory are
# counted. The test suite runs the same tests with 20.
#
#   scripts/soak.sh [COUNT] [PRESET...]    200 and mingw-x64 mingw-x86 by default
#
# Prints the figures (lines starting with "soak:") per preset and exits
# non-zero when a run failed.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
count=${1:-200}
shift || true
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(mingw-x64 mingw-x86)

status=0
summary=()
for p in "${presets[@]}"; do
	echo "== soak: $p: build"
	if ! { [ -f "build/$p/build.ninja" ] || cmake --preset "$p" >"build/$p.configure.log" 2>&1; } ||
		! cmake --build "build/$p" -j2; then
		summary+=("$p: build failed")
		status=1
		continue
	fi
	echo "== soak: $p: $count runs and $count cycles"
	log=build/$p.soak.log
	PELLIX_SOAK_COUNT=$count ctest --test-dir "build/$p" -R '^Soak' --timeout 3600 -V >"$log" 2>&1
	code=$?
	grep -E '^[0-9]+: soak:' "$log" | sed -E 's/^[0-9]+: //'
	if [ $code -ne 0 ]; then
		grep -E 'Failure|Expected|actual|Which is' "$log" | head -n 20
		summary+=("$p: FAILED (see $log)")
		status=1
	else
		summary+=("$p: passed")
	fi
	scripts/wine-run.sh --prefix "build/$p/wine/prefix" --stop
done
printf 'soak: %s\n' "${summary[@]}"
exit $status
