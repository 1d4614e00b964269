#!/usr/bin/env bash
# Builds the bitmap reader's libFuzzer target with clang in build/fuzz and
# runs it on a generated seed corpus.
#
#   scripts/fuzz-bmp.sh [SECONDS]     run time, 60 by default
#
# The corpus grows in build/fuzz/bmp-corpus between runs; crashes land in
# build/fuzz/findings.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build/fuzz

attach=()
if ! grep -q 'add_subdirectory(fuzz)' "$root/CMakeLists.txt"; then
	attach=(-DCMAKE_PROJECT_Pellix_INCLUDE="$root/fuzz/attach.cmake")
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DPELLIX_FUZZ=ON \
	"${attach[@]}" >/dev/null
cmake --build "$build" --target bmp_reader_fuzz

seeds=$build/bmp-seeds
corpus=$build/bmp-corpus
findings=$build/findings
python3 "$root/fuzz/make_seeds.py" "$seeds"
mkdir -p "$corpus" "$findings"

cd "$findings"
"$build/fuzz/bmp_reader_fuzz" -max_total_time="$seconds" -max_len=65536 \
	-rss_limit_mb=2048 -print_final_stats=1 "$corpus" "$seeds"
