#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each for a fixed time
# on a generated seed corpus:
#
#   bmp_reader_fuzz     the bitmap reader and the JPEG and GIF encoders
#   settings_fuzz       the settings file's text: values, numbers, flags,
#                       name lists (garbage, binary, huge, non-code-page)
#   command_line_fuzz   the command-line rule and the run's file names
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   SECONDS per target, 60 by default
#
# Corpora grow in build/fuzz/<target>-corpus between runs; a crash or a
# failed check leaves its input in build/fuzz/findings. The last lines are
# one result per target:
#   fuzz: TARGET: N executions in S s, no finding
#   fuzz: TARGET: FINDING after N executions (see build/fuzz/TARGET.log)
# The script exits non-zero when any target has a finding.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp_reader_fuzz settings_fuzz command_line_fuzz)
build=$root/build/fuzz

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPELLIX_FUZZ=ON >/dev/null || exit 1
cmake --build "$build" -j2 --target "${targets[@]}" || exit 1

findings=$build/findings
mkdir -p "$findings"
status=0
results=()
for target in "${targets[@]}"; do
	case $target in
	bmp_reader_fuzz)
		seeds=$build/bmp-seeds corpus=$build/bmp-corpus max_len=65536 dict=
		python3 "$root/fuzz/make_seeds.py" "$seeds"
		;;
	settings_fuzz)
		seeds=$build/settings-seeds corpus=$build/settings-corpus max_len=20000
		dict=$root/fuzz/settings.dict
		python3 "$root/fuzz/make_text_seeds.py" settings "$seeds"
		;;
	command_line_fuzz)
		seeds=$build/command-line-seeds corpus=$build/command-line-corpus max_len=70000
		dict=$root/fuzz/command_line.dict
		python3 "$root/fuzz/make_text_seeds.py" command_line "$seeds"
		;;
	*)
		echo "fuzz: unknown target $target" >&2
		exit 2
		;;
	esac
	mkdir -p "$corpus"
	log=$build/$target.log
	echo "== fuzz: $target for $seconds s"
	(cd "$findings" && "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" \
		-rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
		${dict:+-dict="$dict"} "$corpus" "$seeds") >"$log" 2>&1
	code=$?
	grep -E '^(#[0-9]+ +DONE|stat::)' "$log"
	runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -n 1)
	if [ $code -eq 0 ]; then
		results+=("fuzz: $target: ${runs:-0} executions in $seconds s, no finding")
	else
		tail -n 40 "$log"
		results+=("fuzz: $target: FINDING after ${runs:-?} executions (see build/fuzz/$target.log)")
		status=1
	fi
done
printf '%s\n' "${results[@]}"
exit $status
