#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix private to one build folder,
# never in ~/.wine. Used as CMake's cross-compiling emulator, so ctest runs
# every Windows test through it.
#
#   wine-run.sh --prefix DIR PROGRAM [ARGS...]   run PROGRAM
#   wine-run.sh --prefix DIR --stop              end that prefix's session
#   wine-run.sh --prefix DIR --reset             stop and delete the prefix
#
# The first run creates the prefix and starts a session for it: a persistent
# wineserver and, when no DISPLAY is set, one Xvfb server, so windows can be
# created and each later program starts in a fraction of a second.
set -uo pipefail

prefix=""
if [ "${1:-}" = "--prefix" ]; then
	prefix=$2
	shift 2
fi
prefix=${prefix:-${PELLIX_WINEPREFIX:-}}
if [ -z "$prefix" ]; then
	echo "wine-run.sh: no prefix given (--prefix DIR or PELLIX_WINEPREFIX)" >&2
	exit 2
fi
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

export WINEPREFIX="$prefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

state="$prefix.session"
lock="$prefix.lock"

stop_session() {
	if [ -d "$prefix" ]; then
		WINEPREFIX="$prefix" wineserver -k 2>/dev/null
		WINEPREFIX="$prefix" wineserver -w 2>/dev/null
	fi
	if [ -f "$state/xvfb.pid" ]; then
		kill "$(cat "$state/xvfb.pid")" 2>/dev/null
	fi
	rm -rf "$state"
}

case "${1:-}" in
--stop)
	stop_session
	exit 0
	;;
--reset)
	stop_session
	# Processes of the old session may still be closing their files.
	for _ in 1 2 3 4 5; do
		rm -rf "$prefix" 2>/dev/null && break
		sleep 1
	done
	[ ! -e "$prefix" ] || { echo "wine-run.sh: cannot remove $prefix" >&2; exit 1; }
	exit 0
	;;
"")
	echo "wine-run.sh: no program given" >&2
	exit 2
	;;
esac

display_alive() {
	[ -f "$state/display" ] && [ -f "$state/xvfb.pid" ] &&
		kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_xvfb() {
	mkdir -p "$state"
	rm -f "$state/display"
	# -displayfd lets the server pick a free display number itself, so
	# several build folders can run their tests side by side.
	setsid Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp \
		3>"$state/display" </dev/null >/dev/null 2>&1 9>&- &
	echo $! >"$state/xvfb.pid"
	for _ in $(seq 1 200); do
		[ -s "$state/display" ] && return 0
		sleep 0.05
	done
	echo "wine-run.sh: Xvfb did not start" >&2
	return 1
}

{
	flock 9
	if [ -z "${DISPLAY:-}" ] && ! display_alive; then
		start_xvfb || exit 1
	fi
	if [ -z "${DISPLAY:-}" ]; then
		export DISPLAY=":$(tr -d '[:space:]' <"$state/display")"
	fi
	if [ ! -f "$prefix/.pellix-ready" ]; then
		rm -rf "$prefix"
		wineboot -i </dev/null >/dev/null 2>&1 9>&-
		# Xvfb has no window manager: with managed windows Wine waits two
		# seconds for one every time a window is hidden.
		wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
			</dev/null >/dev/null 2>&1 9>&-
		wineserver -w 9>&-
		touch "$prefix/.pellix-ready"
	fi
	# A persistent server keeps program start-up fast between tests.
	if [ ! -f "$state/wineserver" ]; then
		mkdir -p "$state"
		setsid wineserver -p </dev/null >/dev/null 2>&1 9>&-
		# Start Wine's own services now, detached from any caller's output.
		wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
		touch "$state/wineserver"
	fi
} 9>"$lock"

# Wine may start helper processes (services, the desktop) that live on and
# inherit the program's output. A caller such as ctest waits for the end of
# that output, so the program writes to files that are passed on afterwards.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
wine "$@" >"$out" 2>"$err"
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
