# Sourced by the demo scripts: builds the program and prepares the demo
# device, a Wine prefix of its own that persists between runs.
# Set REMOVEAPPS_RESET=1 to start the demo device afresh.
# Usage of the scripts that source it: [--screen WxH], one of the device
# screens 240x320 (the default), 320x240, 240x240 and 480x640.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

screen=240x320
while [ $# -gt 0 ]; do
    case "$1" in
    --screen) screen=${2:-}; shift 2 || true ;;
    *) echo "usage: $0 [--screen 240x320|320x240|240x240|480x640]" >&2; exit 2 ;;
    esac
done
# The caption and the soft-key bar of a QVGA device are 26 pixels high; a VGA
# device doubles every metric.
case "$screen" in
240x320 | 320x240 | 240x240) bar=26 ;;
480x640) bar=52 ;;
*) echo "unknown device screen: $screen (240x320, 320x240, 240x240 or 480x640)" >&2; exit 2 ;;
esac

echo "Checking the packages the demo needs..."
scripts/setup.sh --run
echo "Building Remove Apps..."
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
    echo "Preparing the demo device in $WINEPREFIX (the first time takes about half a minute)..."
    DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    # Wine's own fonts, so that text looks the same on every machine, and
    # DejaVu Sans behind them for Greek and Cyrillic names.
    cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
        "$WINEPREFIX/drive_c/windows/Fonts/"
    for face in Tahoma System "MS Shell Dlg" "MS Shell Dlg 2"; do
        DISPLAY= "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
    done
    DISPLAY= "$WINE" "$root/build/bin/demo_seed.exe"
    mkdir -p "$program_dir"
    printf 'Hidden Helper\r\n' >"$program_dir/Hide.txt"
    "$WINESERVER" -w
    touch "$WINEPREFIX/.seeded"
fi
cp build/bin/RemoveApps.exe build/bin/aygshell.dll "$program_dir/"

# The device's caption and soft-key bar heights, as Wine's window metrics in
# pixels: the system adds one to each.
if [ "$(cat "$WINEPREFIX/.metrics" 2>/dev/null)" != "$bar" ]; then
    for metric in CaptionHeight MenuHeight; do
        DISPLAY= "$WINE" reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v $metric \
            /d $((bar - 1)) /f >/dev/null 2>&1
    done
    "$WINESERVER" -w
    echo "$bar" >"$WINEPREFIX/.metrics"
fi

# Starts Xvfb at the device's screen size on a free display, exports DISPLAY,
# and stops it when the calling script ends.
start_device_screen() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 "${screen}x24" -nolisten tcp 4>"$display_file" 2>/dev/null &
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
    "$WINE" explorer /desktop=RemoveApps,"$screen" "$program" &
}
