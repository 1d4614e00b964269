#!/usr/bin/env bash
# The whole test suite from a fresh Debian 12 machine: installs what is
# missing, builds the three presets (native, mingw-x86, mingw-x64) and runs
# every test, natively and under Wine, then prints one summary.
#
#   scripts/test.sh              everything
#   scripts/test.sh native       only the named presets
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native mingw-x86 mingw-x64)

start=$(date +%s)
bash scripts/setup.sh || {
	echo "== test: set-up failed" >&2
	exit 1
}

stop_wine() {
	for p in "${presets[@]}"; do
		[ "$p" = native ] || scripts/wine-run.sh --prefix "build/$p/wine/prefix" --stop
	done
}
trap stop_wine EXIT

declare -A passed failed result
total_passed=0
total_failed=0
status=0
for p in "${presets[@]}"; do
	echo "== test: $p: configure and build"
	if ! cmake --preset "$p" >"build/$p.configure.log" 2>&1; then
		cat "build/$p.configure.log"
		result[$p]="configure failed"
		status=1
		continue
	fi
	if ! cmake --build --preset "$p"; then
		result[$p]="build failed"
		status=1
		continue
	fi
	if [ "$p" != native ]; then
		# Every run starts from a new private Wine prefix.
		scripts/wine-run.sh --prefix "build/$p/wine/prefix" --reset
	fi
	echo "== test: $p: run"
	log="build/$p.test.log"
	ctest --preset "$p" 2>&1 | tee "$log"
	line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
	if [ -z "$line" ]; then
		result[$p]="no test result"
		status=1
		continue
	fi
	f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
	t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
	passed[$p]=$((t - f))
	failed[$p]=$f
	total_passed=$((total_passed + t - f))
	total_failed=$((total_failed + f))
	result[$p]="${passed[$p]} passed, $f failed"
	[ "$f" -eq 0 ] || status=1
done

echo
echo "== Summary ($(($(date +%s) - start)) s)"
for p in "${presets[@]}"; do
	printf '  %-10s %s\n' "$p" "${result[$p]:-not run}"
done
echo "$total_passed passed, $total_failed failed"
exit $status
