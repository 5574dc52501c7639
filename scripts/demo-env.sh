# Sourced by the demo scripts: builds the program and prepares the demo
# device, a Wine prefix of its own that persists between runs.
# Set REMOVEAPPS_RESET=1 to start the demo device afresh.
# Usage of the scripts that source it: [--screen WxH | --screen=WxH | --help],
# WxH one of the device screens 240x320 (the default), 320x240, 240x240 and
# 480x640.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

usage="usage: $0 [--screen WxH] [--help]
  --screen WxH, --screen=WxH  the device's screen: 240x320 (the default), 320x240,
                              240x240, or 480x640 (VGA, shown as 240x320 doubled)
  --help                      this text
Environment: REMOVEAPPS_SHOW_SECONDS=N keeps Remove Apps up N seconds after its
list is drawn, before the screenshot, when there is no display (8);
REMOVEAPPS_RESET=1 prepares the demo device afresh."
# Says what was wrong with the arguments, then how to use the script.
refuse() { printf '%s: %s\n%s\n' "$0" "$1" "$usage" >&2; exit 2; }
screen=240x320
while [ $# -gt 0 ]; do
    case "$1" in
    --screen)
        [ $# -ge 2 ] || refuse "--screen needs a screen, such as 240x320"
        screen=$2
        shift 2
        ;;
    --screen=*)
        screen=${1#--screen=}
        shift
        ;;
    -h | --help) echo "$usage"; exit 0 ;;
    *) refuse "unknown argument: $1" ;;
    esac
done
# The screen the program sees, and how many times the device enlarges what it
# draws. Remove Apps is built for the oldest devices it serves and says
# nothing of high resolution, so a VGA device runs it as on a 240x320 screen
# and doubles every pixel. The caption and the soft-key bar of that screen
# are 26 pixels high.
case "$screen" in
240x320 | 320x240 | 240x240) device_screen=$screen scale=1 ;;
480x640) device_screen=240x320 scale=2 ;;
*) echo "unknown device screen: $screen (240x320, 320x240, 240x240 or 480x640)" >&2; exit 2 ;;
esac
bar=26

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

# A demo device prepared by an older version of this script is made anew.
seeded=$WINEPREFIX/.seeded-4
if [ "${REMOVEAPPS_RESET:-0}" = 1 ] || [ ! -f "$seeded" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$seeded" ]; then
    echo "Preparing the demo device in $WINEPREFIX (the first time takes about half a minute)..."
    DISPLAY= "$WINE" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    # Wine's own fonts, so that text looks the same on every machine, with
    # DejaVu Sans behind them for Greek and Cyrillic names and Droid Sans
    # Fallback for Chinese ones.
    cp /usr/share/wine/fonts/*.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
        /usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # The device's system font is Tahoma.
    DISPLAY= "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v System /d Tahoma /f >/dev/null 2>&1
    for face in Tahoma "Tahoma Bold" System "MS Shell Dlg" "MS Shell Dlg 2"; do
        DISPLAY= "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ \
            /d 'DejaVuSans.ttf,DejaVu Sans\0DroidSansFallbackFull.ttf,Droid Sans Fallback' \
            /f >/dev/null 2>&1
    done
    # The device's caption and soft-key bar heights, as Wine's window
    # metrics in pixels: the system adds one to each.
    for metric in CaptionHeight MenuHeight; do
        DISPLAY= "$WINE" reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v $metric \
            /d $((bar - 1)) /f >/dev/null 2>&1
    done
    DISPLAY= "$WINE" "$root/build/bin/demo_seed.exe"
    mkdir -p "$program_dir"
    # UTF-8 with its mark, so that the Cyrillic and Chinese names can be hidden too.
    printf '\xef\xbb\xbfHidden Helper\r\n' >"$program_dir/Hide.txt"
    "$WINESERVER" -w
    touch "$seeded"
fi
cp build/bin/RemoveApps.exe build/bin/aygshell.dll "$program_dir/"

source "$root/scripts/xvfb.sh"

# Starts Xvfb at the device's screen size, for as long as the calling script runs.
start_device_screen() {
    start_xvfb "$device_screen"
}

# Opens the program on the device's screen, as the shell would start it.
start_program() {
    "$WINE" explorer /desktop=RemoveApps,"$device_screen" "$program" &
}

# What Remove Apps shows now: "list" (its dialog and the two bars), "box" (a
# message box over them, which has a caption), "menu" (the pop-up menu, which
# has none), or how many windows with and without a name it shows.
shown() {
    local id named=0 unnamed=0
    for id in $(xdotool search --onlyvisible --class '^removeapps\.exe$' 2>/dev/null || true); do
        if [ -n "$(xdotool getwindowname "$id" 2>/dev/null || true)" ]; then
            named=$((named + 1))
        else
            unnamed=$((unnamed + 1))
        fi
    done
    case $named/$unnamed in
    1/2) echo list ;;
    2/2) echo box ;;
    1/3) echo menu ;;
    *) echo "$named named and $unnamed unnamed windows" ;;
    esac
}

# Waits until Remove Apps shows $1 (as shown() names it) and the screen then
# stays the same for a moment, so that it is drawn. A busy machine can take
# long to start Wine's desktop: after two minutes it gives up, says what was
# shown instead, and fails.
wait_until_shown() {
    local deadline=$((SECONDS + 120)) now="" screen="" before=""
    while [ $SECONDS -lt $deadline ]; do
        now=$(shown)
        if [ "$now" = "$1" ]; then
            screen=$(import -window root rgb:- | md5sum)
            [ "$screen" = "$before" ] && return 0
            before=$screen
        else
            before=""
        fi
        sleep 0.2
    done
    echo "$0: Remove Apps did not show its $1 within two minutes (it showed: ${now:-nothing})" >&2
    return 1
}

# Saves the device's screen as the picture $1, enlarged as the device does.
save_screen() {
    import -window root "$1"
    if [ "$scale" != 1 ]; then
        convert "$1" -filter point -resize "$((scale * 100))%" -strip "$1"
    fi
}
