#!/usr/bin/env bash
# Times the picture writer on A4 300 dpi document pages (2480 x 3508) against
# the reference tools, in one run on this machine, and prints one table:
#   JPEG quality 90: ours vs cjpeg (libjpeg-turbo-progs), colour/gray/bw
#   GIF 256 colours: ours vs ImageMagick convert -colors 256, with PSNR
#   peak memory (maximum resident set) of each conversion vs the page size
# Then runs the Google Benchmark suite.
#
#   scripts/bench-picture.sh [RUNS] [--rows FILE]
#
# RUNS: hyperfine runs per command (10). With --rows, the measured rows go to
# FILE (for scripts/bench.sh) and the Google Benchmark suite is skipped.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=10
rows_file=""
while [ $# -gt 0 ]; do
	case "$1" in
	--rows) rows_file=$2; shift 2 ;;
	*) runs=$1; shift ;;
	esac
done
cd "$root"

build=$root/build/native
cmake --preset native >/dev/null
cmake --build "$build" --target pellix_convert picture_bench >/dev/null

tool=$build/bench/pellix_convert
magick=/usr/bin/convert
[ -x "$magick" ] || magick=convert
pages=$build/bench-pages
mkdir -p "$pages"
for kind in colour gray bw bw8; do
	"$tool" page "$kind" "$pages/$kind.bmp"
done

mean() { # hyperfine JSON, command index -> mean seconds
	python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["mean"])' "$1" "$2"
}
peak_kb() { # command... -> maximum resident set in KB
	/usr/bin/time -f '%M' -o "$pages/time.txt" "$@" >/dev/null 2>&1
	cat "$pages/time.txt"
}
psnr() { # reference picture -> dB
	compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}' || true
}

rows=()
for kind in colour gray bw; do
	page=$pages/$kind.bmp
	# cjpeg reads no 1-bit bitmaps: it gets the same page stored with 8 bits.
	other=$page
	[ "$kind" = bw ] && other=$pages/bw8.bmp
	hyperfine -N --style none --warmup 2 --runs "$runs" --export-json "$pages/jpeg-$kind.json" \
		"$tool jpeg $page $pages/ours-$kind.jpg 90" \
		"cjpeg -quality 90 -outfile $pages/cjpeg-$kind.jpg $other" >/dev/null
	ours=$(mean "$pages/jpeg-$kind.json" 0)
	theirs=$(mean "$pages/jpeg-$kind.json" 1)
	rows+=("JPEG q90 $kind|$ours|cjpeg|$theirs|-|-|$(peak_kb "$tool" jpeg "$page" "$pages/m.jpg" 90)|$(peak_kb cjpeg -quality 90 -outfile "$pages/m2.jpg" "$other")|$(stat -c %s "$page")")
done

page=$pages/colour.bmp
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$pages/gif-ours.json" \
	"$tool gif $page $pages/ours.gif" >/dev/null
hyperfine -N --style none --warmup 1 --runs $(((runs + 2) / 3)) --export-json "$pages/gif-im.json" \
	"$magick $page -colors 256 $pages/im.gif" >/dev/null
rows+=("GIF colour|$(mean "$pages/gif-ours.json" 0)|ImageMagick|$(mean "$pages/gif-im.json" 0)|$(psnr "$page" "$pages/ours.gif")|$(psnr "$page" "$pages/im.gif")|$(peak_kb "$tool" gif "$page" "$pages/m.gif")|$(peak_kb "$magick" "$page" -colors 256 "$pages/m2.gif")|$(stat -c %s "$page")")
rows+=("copy colour|-|-|-|-|-|$(peak_kb "$tool" copy "$page" "$pages/m.bmp")|-|$(stat -c %s "$page")")

if [ -n "$rows_file" ]; then
	printf '%s\n' "${rows[@]}" >"$rows_file"
	exit 0
fi

echo
echo "A4 300 dpi (2480 x 3508), document-like page; $runs runs (ImageMagick fewer); $(nproc) CPUs"
printf '%s\n' "${rows[@]}" | python3 -c '
import sys
print("{:<16} {:>8} {:<12} {:>9} {:>6} {:>9} {:>10} {:>11} {:>12} {:>8}".format("case", "ours ms", "other", "other ms", "ratio", "PSNR ours", "PSNR other", "ours RSS MB", "other RSS MB", "page MB"))
for line in sys.stdin:
    case, ours, other, theirs, p1, p2, rss, rss2, size = line.strip().split("|")
    ms = lambda v: f"{float(v)*1000:.1f}" if v != "-" else "-"
    mb = lambda v: f"{int(v)/1024:.1f}" if v != "-" else "-"
    ratio = f"{float(ours)/float(theirs):.2f}x" if ours != "-" else "-"
    print(f"{case:<16} {ms(ours):>8} {other:<12} {ms(theirs):>9} {ratio:>6} {p1:>9} {p2:>10} {mb(rss):>11} {mb(rss2):>12} {int(size)/1048576:>8.1f}")
'
echo "ratio = our time / other time (below 1: ours faster). RSS = maximum resident set of the whole process."
echo
"$build/bench/picture_bench" --benchmark_min_time=1
