#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine, each against its bare baseline,
# then times the native `du -sb` of the same folder tree: the floor that the
# platform layer stands on. Start-up is measured once more on the device's
# 240x320 screen and window metrics, under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --run
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target bench bare_list empty_dialog RemoveApps aygshell >/dev/null

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
prefix=$PWD/build/wineprefix
tree='C:\bench-tree'
programs='Z:'"$(pwd | tr / '\\')"'\build\bin'
# Hide.txt beside the program would hide records from the start-up run.
rm -f build/bin/Hide.txt
scripts/wine-run.sh "$prefix" build/bin/bench.exe "$tree" "$programs"

times=()
for _ in 1 2 3 4 5 6 7; do
    start=$(date +%s%N)
    du -sb "$prefix/drive_c/bench-tree" >/dev/null
    times+=($(( ($(date +%s%N) - start) / 1000 )))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 4p)
awk -v us="$median" 'BEGIN { printf "%-46s %9.2f ms  (native du -sb of the same tree, the floor)\n", "du -sb, 20000 files in 2000 folders", us / 1000 }'

# The device's screen: Wine's display-less driver knows no other size than
# its own, so this run draws on Xvfb, in a prefix with the device's metrics.
export WINEPREFIX=$PWD/build/bench-device WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
if [ ! -f "$WINEPREFIX/.ready" ]; then
    rm -rf "$WINEPREFIX"
    DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
    for metric in CaptionHeight MenuHeight; do
        DISPLAY= "$WINE" reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v $metric /d 25 /f \
            >/dev/null 2>&1
    done
    "$WINESERVER" -w
    touch "$WINEPREFIX/.ready"
fi
source scripts/xvfb.sh
start_xvfb 240x320
"$WINE" explorer /desktop=Bench,240x320 build/bin/bench.exe "$tree" "$programs" --start-only
"$WINESERVER" -k 2>/dev/null || true
