#!/usr/bin/env bash
# Seeds plausible faults into a clean copy of the product, one at a time,
# and tells for each whether the test suite catches it: a test suite that
# shrinks must still catch every fault it caught before.
#
#   scripts/seeded-faults.sh [--ref REF | --tree] [--out DIR] [--list FILE]
#                            [--presets "native mingw-x64 ..."] [FAULT-ID...]
#   scripts/seeded-faults.sh --check    only checks that every fault applies
#                                       to the work tree
#
# The faults are listed in scripts/seeded-faults.txt (its head explains the
# form). The copy is the tree of REF (HEAD by default; --tree: the work tree
# as it is, uncommitted changes included), unpacked into DIR/src (DIR is
# build/seeded-faults unless --out says otherwise) with build folders of its
# own, so the work tree is never touched. For each fault the script applies it, then, preset by
# preset (native, mingw-x64, mingw-x86 by default), builds and runs that
# preset's tests until one fails (each Windows run on a new Wine prefix); when
# no test fails and the fault's file is compiled into a fuzz target, it also
# fuzzes those targets for 10 s each. Then it puts the file back. It prints
#
#   caught  ID  (by the first failing test)
#   missed  ID
#   broken  ID  (the fault did not apply or did not build: mend the list)
#
# and a closing line "N faults: C caught, M missed, B broken". The results
# also go to DIR/results.txt. Not part of scripts/test.sh:
# a full run takes one to two hours on two cores.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
ref=HEAD
presets=(native mingw-x64 mingw-x86)
list=$root/scripts/seeded-faults.txt
only=()
check=0
tree=0
work=$root/build/seeded-faults
while [ $# -gt 0 ]; do
	case $1 in
	--ref)
		ref=$2
		shift 2
		;;
	--presets)
		read -r -a presets <<<"$2"
		shift 2
		;;
	--list)
		list=$(realpath "$2")
		shift 2
		;;
	--check)
		check=1
		shift
		;;
	--tree)
		tree=1
		shift
		;;
	--out)
		mkdir -p "$2"
		work=$(realpath "$2")
		shift 2
		;;
	-h | --help)
		sed -n '2,/^set -uo/p' "$0" | sed '$d'
		exit 0
		;;
	*)
		only+=("$1")
		shift
		;;
	esac
done

# Applies (or, with a third argument, only checks) one fault of the list to
# the tree at $1; prints the file it changed.
patch_fault_in() {
	python3 - "$list" "$@" <<'EOF'
import sys
listing, src, fault = sys.argv[1], sys.argv[2], sys.argv[3]
check = len(sys.argv) > 4
blocks, current = {}, None
for line in open(listing, encoding="utf-8"):
    line = line.rstrip("\n")
    if line.startswith("=== "):
        current = line[4:].split(":", 1)[0].strip()
        blocks[current] = {"file": None, "pairs": []}
    elif current and line.startswith("file: "):
        blocks[current]["file"] = line[6:].strip()
    elif current and line.startswith("- "):
        blocks[current]["pairs"].append([line[2:], None])
    elif current and line.startswith("+ "):
        blocks[current]["pairs"][-1][1] = line[2:].replace("\\n", "\n")
b = blocks.get(fault)
if not b or not b["file"] or not b["pairs"]:
    sys.exit(f"{fault}: not in the list, or without a file or a change")
path = f"{src}/{b['file']}"
text = open(path, encoding="utf-8").read()
for old, new in b["pairs"]:
    if new is None or text.count(old) != 1:
        sys.exit(f"{fault}: '{old}' occurs {text.count(old)} times in {b['file']}")
    text = text.replace(old, new)
if not check:
    open(path, "w", encoding="utf-8").write(text)
print(b["file"])
EOF
}
patch_fault() { patch_fault_in "$src" "$@"; }

ids=("${only[@]}")
[ ${#ids[@]} -gt 0 ] || mapfile -t ids < <(sed -n 's/^=== \([^:]*\):.*/\1/p' "$list")

if [ $check -eq 1 ]; then
	bad=0
	for id in "${ids[@]}"; do
		patch_fault_in "$root" "$id" check >/dev/null || bad=$((bad + 1))
	done
	echo "${#ids[@]} faults, $bad that do not apply"
	[ $bad -eq 0 ]
	exit
fi

src=$work/src
log=$work/log
results=$work/results.txt
mkdir -p "$work" "$log"

say() { printf '== seeded: %s\n' "$*"; }

bash "$root/scripts/setup.sh" >"$log/setup.log" 2>&1 || {
	cat "$log/setup.log"
	exit 1
}

rm -rf "$src"
mkdir -p "$src/build"
if [ $tree -eq 1 ]; then
	say "copying the work tree into $src"
	(cd "$root" && git ls-files -z --cached --others --exclude-standard |
		tar --null --ignore-failed-read -cf - -T - 2>/dev/null) | tar -x -C "$src" || exit 1
else
	say "unpacking $ref into $src"
	git -C "$root" archive "$ref" | tar -x -C "$src" || exit 1
fi
ln -s "$root/build/deps" "$src/build/deps"

# Builds one preset of the copy; false when it does not build.
build() {
	local p=$1
	(cd "$src" && { [ -f "build/$p/build.ninja" ] || cmake --preset "$p" >/dev/null; } &&
		cmake --build --preset "$p" -j2) >"$log/build-$p.log" 2>&1
}

# Runs one preset's tests until the first failure; prints that test's name.
first_failure() {
	local p=$1 out=$log/test-$p.log
	if [ "$p" != native ]; then
		"$src/scripts/wine-run.sh" --prefix "$src/build/$p/wine/prefix" --reset >/dev/null 2>&1
	fi
	(cd "$src" && ctest --preset "$p" --stop-on-failure) >"$out" 2>&1
	local status=$?
	if [ "$p" != native ]; then
		"$src/scripts/wine-run.sh" --prefix "$src/build/$p/wine/prefix" --stop >/dev/null 2>&1
	fi
	[ $status -ne 0 ] || return 1
	local name
	name=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (\(Failed\|Timeout\|SEGFAULT\|Subprocess aborted\|Exception\|Not Run\).*/\1/p' "$out" | head -n 1)
	echo "$p: ${name:-a test failed}"
}

# The fuzz targets that compile a given file.
fuzz_targets_of() {
	local file=$1 targets=()
	grep -q "$(basename "$file")" "$src/fuzz/CMakeLists.txt" 2>/dev/null || return 0
	case $file in
	*/picture/*) targets+=(bmp_reader_fuzz) ;;
	*/settings/*) targets+=(settings_fuzz) ;;
	*/startup/*) targets+=(command_line_fuzz) ;;
	esac
	echo "${targets[@]}"
}

say "building and testing the clean copy first"
start=$(date +%s)
for p in "${presets[@]}"; do
	if ! build "$p"; then
		tail -n 30 "$log/build-$p.log"
		say "the clean copy does not build ($p)"
		exit 1
	fi
	if failure=$(first_failure "$p"); then
		say "the clean copy fails its tests ($failure); see $log/test-$p.log"
		exit 1
	fi
done
say "clean copy passes ($(($(date +%s) - start)) s); ${#ids[@]} faults to go"

: >"$results"
caught=0 missed=0 broken=0
for id in "${ids[@]}"; do
	t0=$(date +%s)
	file=$(patch_fault_in "$src" "$id" check 2>"$log/patch.err") && cp "$src/$file" "$log/$id.original" &&
		patch_fault "$id" >/dev/null 2>"$log/patch.err" || {
		line="broken  $id  ($(cat "$log/patch.err"))"
		broken=$((broken + 1))
		echo "$line" | tee -a "$results"
		continue
	}
	cp "$src/$file" "$log/$id.faulty"
	verdict=""
	for p in "${presets[@]}"; do
		if ! build "$p"; then
			verdict="broken  $id  (does not build for $p: see $log/build-$p.log)"
			cp "$log/build-$p.log" "$log/$id.build.log"
			break
		fi
		if failure=$(first_failure "$p"); then
			verdict="caught  $id  (by $failure)"
			cp "$log/test-$p.log" "$log/$id.test.log"
			break
		fi
	done
	if [ -z "$verdict" ]; then
		targets=$(fuzz_targets_of "$file")
		if [ -n "$targets" ] && (cd "$src" && bash scripts/fuzz.sh 10 $targets) >"$log/fuzz.log" 2>&1; then
			:
		elif [ -n "$targets" ]; then
			verdict="caught  $id  (by fuzzing: $targets)"
		fi
	fi
	[ -n "$verdict" ] || verdict="missed  $id"
	# Put the file back as it was in the copy.
	cp "$log/$id.original" "$src/$file"
	case $verdict in
	caught*) caught=$((caught + 1)) ;;
	missed*) missed=$((missed + 1)) ;;
	*) broken=$((broken + 1)) ;;
	esac
	echo "$verdict  [$(($(date +%s) - t0)) s]" | tee -a "$results"
done

echo "${#ids[@]} faults: $caught caught, $missed missed, $broken broken" | tee -a "$results"
[ $broken -eq 0 ]
