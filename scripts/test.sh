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

# A short, bounded fuzz run of every fuzz target (AddressSanitizer and
# UndefinedBehaviorSanitizer), PELLIX_FUZZ_SECONDS each; longer runs:
# scripts/fuzz.sh SECONDS.
fuzz_seconds=${PELLIX_FUZZ_SECONDS:-10}
fuzz_result="not run"
if [ "$fuzz_seconds" -gt 0 ] && [ $# -eq 0 ]; then
	echo "== test: fuzzing each target for $fuzz_seconds s"
	bash scripts/fuzz.sh "$fuzz_seconds" >build/fuzz.log 2>&1
	fuzz_passed=$(grep -c '^fuzz: .*, no finding$' build/fuzz.log)
	fuzz_failed=$(grep -c '^fuzz: .*: FINDING' build/fuzz.log)
	fuzz_runs=$(grep -o '^fuzz: .*: [0-9]* executions' build/fuzz.log | grep -o '[0-9]* executions' |
		awk '{ n += $1 } END { print n + 0 }')
	if [ "$fuzz_passed" -eq 0 ] && [ "$fuzz_failed" -eq 0 ]; then
		fuzz_failed=1 # the build or the set-up failed
	fi
	if [ "$fuzz_failed" -eq 0 ]; then
		fuzz_result="$fuzz_passed passed, 0 failed ($fuzz_runs executions)"
	else
		tail -n 30 build/fuzz.log
		fuzz_result="$fuzz_passed passed, $fuzz_failed failed (see build/fuzz.log)"
		status=1
	fi
	total_passed=$((total_passed + fuzz_passed))
	total_failed=$((total_failed + fuzz_failed))
fi

echo
echo "== Summary ($(($(date +%s) - start)) s)"
for p in "${presets[@]}"; do
	printf '  %-10s %s\n' "$p" "${result[$p]:-not run}"
done
printf '  %-10s %s\n' fuzz "$fuzz_result"
echo "$total_passed passed, $total_failed failed"
exit $status
