#!/usr/bin/env bash
# Runs a 64-bit Windows program of the build under Wine, headless, in the
# given prefix, which it creates on first use.
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
prefix=$1
shift
program=$1

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine downloads, no desktop menu entries, and no debugger
# that would wait forever on a crashing test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# 64-bit Wine exits 0 from a 32-bit program without running it: refuse one.
pe=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$program" | tr -d ' ')
if [ "$machine" != 8664 ]; then
    echo "wine-run.sh: $program is not an x86-64 program (machine $machine)" >&2
    exit 1
fi

mkdir -p "$(dirname "$prefix")"
# Wine's own processes must not inherit the lock's descriptor, or they would
# hold the lock for as long as they live.
(
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
        rm -rf "$prefix"
        "$WINE" wineboot -i >/dev/null 2>&1 9>&-
        "$WINESERVER" -w 9>&-
        # Windows without a display: the null driver.
        "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 9>&-
        # The driver setting is only seen once the server has written it out.
        "$WINESERVER" -w 9>&-
        touch "$prefix/.ready"
    fi
    # One server and one set of Wine's services for the whole run, gone 30 s
    # after the last program, so that each test does not pay for Wine's
    # start-up. The services are started apart from the program, so that they
    # never hold its output open after it has ended.
    if "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        "$WINE" wineboot </dev/null >/dev/null 2>&1 9>&-
    fi
) 9>"$prefix.lock"

if [ "${REMOVEAPPS_HEAPCHECK:-0}" != 1 ]; then
    exec "$WINE" "$@"
fi

# Heap checking: Wine validates the heap on every operation and reports
# overruns and bad frees as heap errors, which fail the run.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
WINEDEBUG=-all,err+heap,warn+heap "$WINE" "$@" 2>"$log" || status=$?
cat "$log" >&2
if grep -q ':heap:' "$log"; then
    echo "wine-run.sh: Wine reported heap errors in $program" >&2
    [ $status -ne 0 ] || status=1
fi
exit $status
