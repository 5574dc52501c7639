#!/usr/bin/env bash
# Runs a Windows program of the build, 64-bit or 32-bit, under Wine, headless,
# in the given prefix, which it creates on first use.
# Usage: wine-run.sh [--limit SECONDS] PREFIX PROGRAM [ARGUMENTS...]
set -euo pipefail
# A program that has not ended within the limit is stopped, and what it printed
# so far is still shown: a time-out of the caller would stop this script too,
# and lose that output.
limit=0
if [ "${1:-}" = --limit ]; then
    limit=$2
    shift 2
fi
prefix=$1
shift
program=$1

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# 64-bit Wine exits 0 from a 32-bit program without running it: a 32-bit one
# goes to Wine's 32-bit loader, which runs it in the 64-bit prefix.
pe=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$program" | tr -d ' ')
case "$machine" in
8664) loader=$WINE ;;
014c) loader=/usr/lib/wine/wine ;;
*)
    echo "wine-run.sh: $program is neither an x86-64 nor an i386 program (machine $machine)" >&2
    exit 1
    ;;
esac
# Without its preloader, Wine is loaded where the kernel may put its start-up
# heap on the page Windows' shared data needs, and a program now and then exits
# 1 before it starts. Refuse rather than fail at random.
for file in wine64 wine64-preloader; do
    if [ ! -x "/usr/lib/wine/$file" ]; then
        echo "wine-run.sh: $program needs /usr/lib/wine/$file (package $file)," \
             "which is missing. Run scripts/setup.sh." >&2
        exit 1
    fi
done
# The 32-bit loader needs both of its files and a kernel that starts it; a
# refused start would otherwise end in the shell's reading it as a script.
source "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"
if [ "$machine" = 014c ] && ! problem=$(wine32_problem); then
    echo "wine-run.sh: $program cannot run: $problem." >&2
    exit 1
fi
# Wine's own errors stay visible, so that a failure inside Wine is never silent.
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all,err+all}
# No .NET or HTML engine downloads, no desktop menu entries, and no debugger
# that would wait forever on a crashing test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
# Runs one step of bringing Wine up; its output is shown only when it fails.
boot_step() {
    local what=$1 log
    shift
    log=$(mktemp)
    if ! "$@" >"$log" 2>&1; then
        echo "wine-run.sh: $what failed in $prefix:" >&2
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}
# Wine's own processes must not inherit the lock's descriptor, or they would
# hold the lock for as long as they live.
(
    flock 9
    if [ ! -f "$prefix/.ready" ]; then
        rm -rf "$prefix"
        boot_step "creating the Wine prefix" "$WINE" wineboot -i 9>&-
        "$WINESERVER" -w 9>&-
        # Windows without a display: the null driver.
        boot_step "choosing the null display driver" \
            "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f 9>&-
        # The driver setting is only seen once the server has written it out.
        "$WINESERVER" -w 9>&-
        touch "$prefix/.ready"
    fi
    # One server and one set of Wine's services for the whole run, gone 30 s
    # after the last program, so that each test does not pay for Wine's
    # start-up. The services are started apart from the program, so that they
    # never hold its output open after it has ended.
    if "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 9>&-; then
        boot_step "starting Wine's services (wineboot)" "$WINE" wineboot </dev/null 9>&-
    fi
) 9>"$prefix.lock" || exit 1

# The first program to use the window system starts Wine's desktop process
# (explorer.exe), which inherits that program's output and lives for as long
# as any program uses the desktop. CTest waits until a test's output closes,
# so a finished test would wait for the desktop of the tests after it, up to
# its timeout. The program's output goes through files instead, and the run
# ends when the program does.
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
# Heap checking: Wine validates the heap on every operation and reports
# overruns and bad frees as heap errors, which fail the run.
if [ "${REMOVEAPPS_HEAPCHECK:-0}" = 1 ]; then
    export WINEDEBUG=-all,err+all,warn+heap
fi
status=0
# (A limit of 0 is none.)
timeout -k 5 "$limit" "$loader" "$@" >"$out" 2>"$err" || status=$?
if [ "$limit" -gt 0 ] && { [ $status -eq 124 ] || [ $status -eq 137 ]; }; then
    echo "wine-run.sh: $program did not end within $limit s and was stopped" >>"$err"
fi
# Wine's desktop process, started by the first program that needs it, writes
# three errors to that program's output: the null display driver has no tray.
# Only that thread's tray and driver lines are dropped; every other error stays.
tray=$(sed -n 's/^\([0-9a-f]*\):err:systray:initialize_systray Could not create tray window$/\1/p' "$err")
for thread in $tray; do
    grep -vE "^$thread:err:(systray:initialize_systray|winediag:nodrv_CreateWindow) " "$err" \
        >"$err.kept" || true
    mv "$err.kept" "$err"
done
cat "$out"
cat "$err" >&2
if [ "${REMOVEAPPS_HEAPCHECK:-0}" = 1 ] && grep -q ':heap:' "$err"; then
    echo "wine-run.sh: Wine reported heap errors in $program" >&2
    [ $status -ne 0 ] || status=1
fi
exit $status
