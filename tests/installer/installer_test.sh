#!/usr/bin/env bash
# The installer in a fresh private Wine prefix: a silent install puts every
# file, registration and menu entry in place; "Pellix to here" on a folder
# then scans a page into it; a silent uninstall leaves nothing of ours.
#
#   installer_test.sh SETUP_EXE PREFIX CHECK_EXE PROBE_EXE SCANNER_DS
set -uo pipefail

setup=$1 prefix=$2 check=$3 probe=$4 scanner=$5
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../scripts/wine-run.sh"
failures=0
fail() {
	echo "FAILED: $*"
	failures=$((failures + 1))
}
wine_() { "$run" --prefix "$prefix" "$@"; }
windows_path() { echo "Z:${1//\//\\}"; }

# A fresh prefix of our own, with the virtual scanner where Wine's TWAIN
# manager finds it and a stand-in PDF viewer (the start probe).
"$run" --prefix "$prefix" --stop >/dev/null 2>&1 || true
rm -rf "$prefix"
"$here/../../scripts/install-virtual-scanner.sh" "$prefix" "$scanner" x86 >/dev/null
drive_c=$prefix/drive_c
mkdir -p "$drive_c/probe"
cp "$probe" "$drive_c/probe/viewer.exe"
rm -f "$drive_c/probe/viewer.exe.log"
wine_ reg add 'HKCR\.pdf' /ve /d PellixTest.pdf /f >/dev/null
wine_ reg add 'HKCR\PellixTest.pdf\shell\open\command' /ve /d '"C:\probe\viewer.exe" "%1"' /f >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"; "$run" --prefix "$prefix" --stop >/dev/null 2>&1' EXIT
# What the registry holds of ours, in both views.
export_registry() {
	local name=$1
	for view in 32 64; do
		for root in HKLM HKCR; do
			wine_ reg export "$root" "C:\\$name-$root-$view.reg" "/reg:$view" /y >/dev/null
			# The system's list of files to remove at the next start names
			# the uninstaller's own copy in the temporary folder, as for every
			# NSIS uninstaller: that list is the system's, not ours.
			iconv -f UTF-16LE -t UTF-8 "$drive_c/$name-$root-$view.reg" | tr -d '\r' |
				awk '/^"PendingFileRenameOperations"=/ { skip = 1 }
				     skip { if ($0 !~ /\\$/) skip = 0; next }
				     { print }' >"$work/$name-$root-$view.reg"
			rm -f "$drive_c/$name-$root-$view.reg"
		done
	done
}
export_registry before

echo "== silent install"
wine_ "$(windows_path "$setup")" /S
installed="$drive_c/Program Files/Orvane/Pellix"
for file in Pellix.exe Pellix.pdf Pellix.ini PellixExt.dll x86/PellixExt.dll LICENSE \
	THIRD-PARTY-NOTICES.txt Uninstall.exe; do
	[ -f "$installed/$file" ] || fail "missing $file"
done
[ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pellix.lnk" ] ||
	fail "no Start-menu shortcut"
grep -q '^JPGQuality=90' "$installed/Pellix.ini" || fail "Pellix.ini without its defaults"
# The settings file can be written (the Options dialog saves into it).
wine_ "$(windows_path "$check")" write 'C:\Program Files\Orvane\Pellix\Pellix.ini' ||
	fail "Pellix.ini not writable"

clsid='{D380CB24-8FDB-42EA-8853-6BC23D7A011C}'
query() { wine_ reg query "$1" /ve "/reg:$2" 2>/dev/null | tr -d '\r'; }
value() { wine_ reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r'; }
for view in 32 64; do
	dll='C:\Program Files\Orvane\Pellix\PellixExt.dll'
	[ "$view" = 32 ] && dll='C:\Program Files\Orvane\Pellix\x86\PellixExt.dll'
	query "HKCR\\CLSID\\$clsid\\InprocServer32" "$view" | grep -qF "$dll" ||
		fail "view $view: the class is not served by $dll"
	for key in 'Directory\shellex\ContextMenuHandlers\Pellix' \
		'Directory\Background\shellex\ContextMenuHandlers\Pellix' \
		'txtfile\ShellEx\ContextMenuHandlers\SimpleShlExt'; do
		query "HKCR\\$key" "$view" | grep -qF "$clsid" || fail "view $view: no $key"
	done
	value 'HKLM\Software\Orvane\PellixExt' AppToStart "$view" |
		grep -qF 'C:\Program Files\Orvane\Pellix\Pellix.exe' || fail "view $view: no AppToStart"
	value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved' "$clsid" \
		"$view" | grep -q . || fail "view $view: not approved"
done

echo "== the help command finds Pellix.pdf"
wine_ "$(windows_path "$check")" help 'C:\Program Files\Orvane\Pellix\Pellix.exe' ||
	fail "the main window did not come up"
iconv -f UTF-16LE -t UTF-8 "$drive_c/probe/viewer.exe.log" 2>/dev/null |
	grep -qiF 'C:\Program Files\Orvane\Pellix\Pellix.pdf' || fail "the viewer was not given Pellix.pdf"

echo "== Pellix to here"
mkdir -p "$drive_c/My Scans"
PELLIX_VSCAN_ANSWER=scan PELLIX_VSCAN_PAGE=40x25 PELLIX_VSCAN_DPI=100 \
	wine_ "$(windows_path "$check")" road 'C:\My Scans' || fail "no page scanned into the folder"
ls "$drive_c/My Scans"/*.jpg >/dev/null 2>&1 || fail "no JPEG in C:\\My Scans"
rm -rf "$drive_c/My Scans"

echo "== silent uninstall"
wine_ 'C:\Program Files\Orvane\Pellix\Uninstall.exe' /S
# The uninstaller runs on from a copy of itself: wait for the folder to go.
for _ in $(seq 1 300); do
	[ -d "$drive_c/Program Files/Orvane" ] || break
	sleep 0.2
done
[ -d "$drive_c/Program Files/Orvane" ] && fail "files left: $(find "$drive_c/Program Files/Orvane")"
[ -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pellix.lnk" ] &&
	fail "Start-menu shortcut left"
export_registry after
# The only keys allowed to stay are the ones the registration script marks
# NoRemove, which it may have created on this fresh system (seen in HKCR and
# in HKLM\Software\Classes behind it).
allowed='^\+(\[HKEY_(CLASSES_ROOT|LOCAL_MACHINE\\Software\\Classes)\\txtfile\\ShellEx(\\ContextMenuHandlers)?\])?$'
for view in 32 64; do
	for root in HKLM HKCR; do
		diff -U0 "$work/before-$root-$view.reg" "$work/after-$root-$view.reg" |
			grep -E '^[-+]' | grep -vE '^(\+\+\+|---) ' | grep -vE "$allowed" >"$work/diff"
		if [ -s "$work/diff" ]; then
			fail "registry $root (view $view) differs after uninstalling:"
			head -n 40 "$work/diff"
		fi
	done
done

if [ "$failures" -eq 0 ]; then
	echo "installer: all checks passed"
fi
exit "$failures"
