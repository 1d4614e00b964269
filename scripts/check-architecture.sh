#!/usr/bin/env bash
# Checks that the product's includes point the way docs/architecture.md
# draws them: down the layers, never up or sideways.
#
#   common/            includes only common/
#   app/win32          common/ and itself
#   app/components     common/, app/win32 and itself
#   app/settings       common/, app/win32, app/components and itself
#   app/startup,
#   app/mainwindow     common/ and all of app/
#   devices/<name>     common/ and its own folder
#   shellext/          common/ and itself
#   tools/             common/ and app/ (build tools of the program)
#
# Prints every include that breaks the rule and exits non-zero when there is
# one. Tests, benchmarks and fuzz targets may include anything.
set -uo pipefail
cd "$(dirname "$0")/.."

# The folders a file's own folder may include from, as include prefixes.
allowed() {
	case $1 in
	common/*) echo "common/" ;;
	app/win32/*) echo "common/ app/win32/" ;;
	app/components/*) echo "common/ app/win32/ app/components/" ;;
	app/settings/*) echo "common/ app/win32/ app/components/ app/settings/" ;;
	app/startup/* | app/mainwindow/*) echo "common/ app/" ;;
	devices/*) echo "common/ $(cut -d/ -f1-2 <<<"$1")/" ;;
	shellext/*) echo "common/ shellext/" ;;
	tools/*) echo "common/ app/" ;;
	esac
}

status=0
checked=0
while IFS= read -r file; do
	rules=$(allowed "$file")
	[ -n "$rules" ] || continue
	checked=$((checked + 1))
	while IFS=: read -r line include; do
		# A bare name is a neighbour in the same folder (resource headers).
		[[ $include == */* ]] || continue
		ok=0
		for prefix in $rules; do
			[[ $include == "$prefix"* ]] && ok=1
		done
		if [ $ok -eq 0 ]; then
			echo "$file:$line: includes \"$include\", which its folder must not use"
			status=1
		fi
	done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' "$file" |
		sed -E 's/^([0-9]+):.*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1:\2/')
done < <(find common app devices shellext tools -type f \
	\( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.rc' \) |
	sort)

if [ $status -eq 0 ]; then
	echo "architecture: $checked files, every include points down"
fi
exit $status
