#!/usr/bin/env bash
# How much test code there is for the code it tests: the non-blank C++ lines
# of tests/ and fuzz/ against those of the product (app/, common/, shellext/,
# devices/, tools/). Benchmarks count as neither.
#
#   scripts/test-share.sh        prints both counts and the share
#
# Exits non-zero when the share is above 0.35.
set -uo pipefail
cd "$(dirname "$0")/.."

lines() {
	find "$@" -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) \
		-print0 | xargs -0 cat | grep -cv '^[[:space:]]*$'
}

product=$(lines app common shellext devices tools)
tests=$(lines tests fuzz)
share=$(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.2f", t / p }')
echo "product $product lines, tests and fuzz targets $tests lines, share $share (at most 0.35)"
awk -v s="$share" 'BEGIN { exit !(s <= 0.35) }'
