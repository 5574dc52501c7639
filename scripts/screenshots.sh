#!/usr/bin/env bash
# Regenerates the pictures in docs/: Remove Apps on a fresh demo device of its
# own (build/screenshot-device; the one of scripts/run.sh stays as it is) under
# Xvfb, driven with the keyboard as a user would the device's keys (F1 and F2
# are the soft keys): four at the 240x320 screen, one as a 480x640 device
# shows it, which must be the 240x320 picture doubled.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/docs
mkdir -p "$out"

# Saves the picture $2 once Remove Apps shows $1 (see shown in demo-env.sh).
shot() {
    wait_until_shown "$1"
    save_screen "$out/$2.png"
    echo "$out/$2.png"
}

# One run of the demo device at the screen given as $1, driven by $2.
on_screen() (
    export REMOVEAPPS_RESET=1 REMOVEAPPS_DEMO_PREFIX=$root/build/screenshot-device
    source "$root/scripts/demo-env.sh" --screen "$1"
    start_device_screen
    start_program
    # Whether the run ends or fails, Wine's processes go, then Xvfb.
    trap '"$WINESERVER" -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
    wait_until_shown list
    "$2"
)

qvga() {
    shot list list
    xdotool key Return # the action key: Remove, asking first
    shot box remove-confirm
    xdotool key n
    wait_until_shown list
    xdotool key F2 # the Menu soft key
    shot menu menu
    xdotool key Down Down Return # Details
    shot box details
    xdotool key Return
    wait_until_shown list
}

vga() {
    xdotool key Return
    shot box vga-remove-confirm
    xdotool key n
    wait_until_shown list
}

on_screen 240x320 qvga
on_screen 480x640 vga

# A VGA device doubles every pixel of what the program draws on its 240x320 screen.
differ=$(convert "$out/vga-remove-confirm.png" -sample 50% png:- |
    compare -metric AE - "$out/remove-confirm.png" null: 2>&1 || true)
if [ "$differ" != 0 ]; then
    echo "vga-remove-confirm.png is not remove-confirm.png doubled: $differ pixels differ" >&2
    exit 1
fi
echo "vga-remove-confirm.png is remove-confirm.png doubled, pixel for pixel."
