#!/usr/bin/env bash
# The benchmark report: builds what is missing, runs every benchmark natively
# and under Wine (x86 and x64), and prints one table: for each figure our
# value, the reference measured in the same run, their ratio, and the target.
# With --write, the table also goes into docs/performance.md with the
# machine it ran on.
#
#   scripts/bench.sh [--write] [--quick]
#
# --quick: fewer runs (for a look, not for the record).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
write=0
runs=9
picture_runs=10
for arg in "$@"; do
	case "$arg" in
	--write) write=1 ;;
	--quick) runs=3 picture_runs=3 ;;
	*) echo "usage: scripts/bench.sh [--write] [--quick]" >&2; exit 2 ;;
	esac
done

bash scripts/setup.sh >/dev/null
results=$(mktemp -d)

echo "== native: picture writing against cjpeg and ImageMagick" >&2
bash scripts/bench-picture.sh "$picture_runs" --rows "$results/picture.rows" >/dev/null

# A4 at 300 dpi in colour, as an office scanner delivers a page.
export PELLIX_VSCAN_ANSWER=scan PELLIX_VSCAN_PAGE=a4 PELLIX_VSCAN_DPI=300 PELLIX_VSCAN_PIXELTYPE=color
# Runs a command with the prefix's visual style off, and puts the setting
# back afterwards, also when the run is interrupted.
theme_key='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
theme_prefix=""
theme_before=""
restore_theme() {
	if [ -n "$theme_prefix" ]; then
		scripts/wine-run.sh --prefix "$theme_prefix" reg add "$theme_key" /v ThemeActive \
			/d "$theme_before" /f >/dev/null 2>&1
		theme_prefix=""
	fi
}
with_theme_off() {
	theme_before=$(scripts/wine-run.sh --prefix "$prefix" reg query "$theme_key" /v ThemeActive \
		2>/dev/null | tr -d '\r' | awk '/ThemeActive/ {print $3}')
	[ -n "$theme_before" ] || theme_before=1
	theme_prefix=$prefix
	scripts/wine-run.sh --prefix "$prefix" reg add "$theme_key" /v ThemeActive /d 0 /f >/dev/null 2>&1
	"$@"
	restore_theme
}
trap 'restore_theme; rm -rf "$results"' EXIT
trap 'exit 130' INT TERM

for arch in x86 x64; do
	echo "== $arch under Wine" >&2
	build=build/mingw-$arch
	[ -f "$build/build.ninja" ] || cmake --preset "mingw-$arch" >/dev/null
	cmake --build "$build" --target Pellix pellix_virtual_scanner acquire_bench run_bench \
		trivial_program window_bench >/dev/null
	prefix=$build/wine/prefix
	scripts/install-virtual-scanner.sh "$prefix" "dist/$arch/PellixVirtualScanner.ds" "$arch" >/dev/null
	win() { echo "Z:${1//\//\\}"; }
	bench=$root/$build/bench
	folder=$(mktemp -d)
	{
		scripts/wine-run.sh --prefix "$prefix" "$bench/acquisition/acquire_bench.exe" "$runs"
		scripts/wine-run.sh --prefix "$prefix" "$bench/acquisition/run_bench.exe" \
			"$(win "$root/dist/$arch/Pellix.exe")" "$(win "$bench/acquisition/trivial_program.exe")" \
			"$(win "$folder")" "$runs"
		scripts/wine-run.sh --prefix "$prefix" "$bench/window/window_bench.exe" start \
			"$(win "$root/dist/$arch/Pellix.exe")" "$runs"
		scripts/wine-run.sh --prefix "$prefix" "$bench/window/window_bench.exe" scroll 600 40
	} 2>/dev/null | tr -d '\r' >"$results/$arch.txt"
	# The same steps with Wine's visual style switched off: the styled
	# scroll bar's paint is Wine's own cost (see docs/performance.md). Run
	# in this shell, not a pipeline's, so the exit trap knows what to undo.
	with_theme_off scripts/wine-run.sh --prefix "$prefix" "$bench/window/window_bench.exe" \
		scroll 600 40 >"$results/$arch.unstyled" 2>/dev/null
	tr -d '\r' <"$results/$arch.unstyled" | sed 's/^/unstyled_/' >>"$results/$arch.txt"
	rm -rf "$folder"
done

machine="$(lscpu | awk -F: '/Model name/ {gsub(/^ +/, "", $2); print $2; exit}'), $(nproc) CPUs, $(awk '/MemTotal/ {printf "%.0f GiB", $2/1048576}' /proc/meminfo); $(. /etc/os-release && echo "$PRETTY_NAME"); $(wine --version 2>/dev/null)"
python3 - "$results" "$machine" "$write" "$root/docs/performance.md" <<'PY'
import re, sys, datetime
results, machine, write, doc = sys.argv[1], sys.argv[2], sys.argv[3] == "1", sys.argv[4]

def values(arch):
    out = {}
    for line in open(f"{results}/{arch}.txt"):
        m = re.match(r"(\w[\w ]*?)\s{2,}([-\d.]+)", line) or re.match(r"(\w+) ([-\d.]+)", line)
        if m:
            out[m.group(1).strip()] = float(m.group(2))
        m = re.match(r"peak working MB\s+([\d.]+) \(page ([\d.]+) MB", line)
        if m:
            out["page MB"] = float(m.group(2))
    return out

rows = []  # figure, where, ours, reference, ratio, target, met
def row(figure, where, ours, ref, unit, target="", met=None, ratio=True):
    r = f"{ours / ref:.2f}" if ratio and ref else ""
    rows.append((figure, where, f"{ours:.1f} {unit}", f"{ref:.1f} {unit}" if isinstance(ref, float) else ref, r, target,
                 "" if met is None else ("yes" if met else "NO")))

for line in open(f"{results}/picture.rows"):
    case, ours, other, theirs, p1, p2, rss, rss2, size = line.strip().split("|")
    page_mb = int(size) / 1048576
    if case.startswith("JPEG"):
        o, t = float(ours) * 1000, float(theirs) * 1000
        row(f"{case} (A4 300 dpi)", "native", o, t, "ms", "≤ 1.10 × cjpeg", o / t <= 1.10)
        row(f"{case} peak memory", "native", int(rss) / 1024, f"page {page_mb:.1f} MB", "MB",
            "≤ page + 16 MB", int(rss) / 1024 <= page_mb + 16, ratio=False)
    elif case.startswith("GIF"):
        o, t = float(ours) * 1000, float(theirs) * 1000
        row(f"{case}, 256 colours", "native", o, t, "ms")
        rows.append((f"{case} PSNR", "native", f"{p1} dB", f"{p2} dB", "", "", ""))
        row(f"{case} peak memory", "native", int(rss) / 1024, f"page {page_mb:.1f} MB", "MB",
            ratio=False)

for arch in ("x86", "x64"):
    v = values(arch)
    where = f"Wine {arch}"
    page = v.get("page MB", 0)
    row("Acquisition, page to .bmp", where, v["acquisition ms"], v["plain write ms"], "ms")
    row("Acquisition peak memory", where, v["acquisition peak working MB"], f"page {page:.1f} MB",
        "MB", ratio=False)
    extra = v["run_ms"] - v["trivial_ms"]
    budget = v["JPEG q90 ms"] + 100
    row("Unattended run (start to exit)", where, v["run_ms"], v["trivial_ms"], "ms",
        f"− trivial ≤ JPEG + 100 = {budget:.0f} ms (is {extra:.0f})", extra <= budget)
    row("Unattended run peak memory", where, v["run_peak_private_mb"], f"page {page:.1f} MB", "MB",
        "≤ page + 16 MB", v["run_peak_private_mb"] <= page + 16, ratio=False)
    row("Main window start to first paint", where, v["start_to_paint"], v["plain_window_start"], "ms")
    row("Main window peak memory, 600 dpi", where, v["view_peak_working_mb"],
        f"page {v['view_page_mb']:.1f} MB", "MB", ratio=False)
    row("Scroll step down, 600 dpi page", where, v["scroll_step_down"], v["viewport_copy"], "ms",
        "< 5 ms", v["scroll_step_down"] < 5)
    row("Scroll step right, 600 dpi page", where, v["scroll_step_right"], v["viewport_copy"], "ms",
        "< 5 ms", v["scroll_step_right"] < 5)
    if "unstyled_scroll_step_right" in v:
        row("Scroll step right, visual style off", where, v["unstyled_scroll_step_right"],
            v["unstyled_viewport_copy"], "ms")

header = ("Figure", "Where", "Ours", "Reference", "Ratio", "Target", "Met")
widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
lines = ["| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |" for r in [header]]
lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
lines += ["| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |" for r in rows]
table = "\n".join(lines)
print(table)

if write:
    text = open(doc).read() if __import__("os").path.exists(doc) else ""
    start = "<!-- bench:start -->"
    end = "<!-- bench:end -->"
    block = f"{start}\nMeasured {datetime.date.today()} on {machine}.\n\n{table}\n{end}"
    if start in text and end in text:
        text = text[: text.index(start)] + block + text[text.index(end) + len(end):]
    else:
        text = text + "\n" + block + "\n"
    open(doc, "w").write(text)
PY
