# Sourced by the demo scripts: builds the program and prepares the demo
# device, a Wine prefix of its own that persists between runs.
# Set REMOVEAPPS_RESET=1 to start the demo device afresh.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh --run
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 --target RemoveApps aygshell demo_seed >/dev/null

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=${REMOVEAPPS_DEMO_PREFIX:-$root/build/demo-device} WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
program_dir="$WINEPREFIX/drive_c/Program Files/Remove Apps"
program='C:\Program Files\Remove Apps\RemoveApps.exe'

if [ "${REMOVEAPPS_RESET:-0}" = 1 ]; then
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/.seeded" ]; then
    echo "Preparing the demo device in $WINEPREFIX"
    DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    # Wine's own fonts, so that text looks the same on every machine.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    DISPLAY= "$WINE" "$root/build/bin/demo_seed.exe"
    mkdir -p "$program_dir"
    printf 'Hidden Helper\r\n' >"$program_dir/Hide.txt"
    "$WINESERVER" -w
    touch "$WINEPREFIX/.seeded"
fi
cp build/bin/RemoveApps.exe build/bin/aygshell.dll "$program_dir/"

# Starts Xvfb at the device's screen size on a free display, exports DISPLAY,
# and stops it when the calling script ends.
start_device_screen() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 240x320x24 -nolisten tcp 4>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(cat "$display_file")
    rm -f "$display_file"
}

# Opens the program on the device's screen, as the shell would start it.
start_program() {
    "$WINE" explorer /desktop=RemoveApps,240x320 "$program" &
}
