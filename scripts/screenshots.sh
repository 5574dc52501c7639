#!/usr/bin/env bash
# Regenerates the pictures in docs/: Remove Apps on a fresh demo device at the
# device's 240x320 screen, under Xvfb, driven with the keyboard and the soft keys.
set -euo pipefail
export REMOVEAPPS_RESET=1
source "$(dirname "$0")/demo-env.sh"
out=$root/docs
mkdir -p "$out"

start_device_screen
start_program
sleep 8
xdotool mousemove 120 150

shot() {
    sleep 1.5
    import -window root "$out/$1.png"
    echo "$out/$1.png"
}
menu_key() { xdotool mousemove 180 311 click 1 mousemove 120 150; }

shot list
xdotool key Return          # the action key: Remove, asking first
shot remove-confirm
xdotool key n
sleep 0.5
menu_key
shot menu
xdotool key Escape
sleep 0.5
menu_key
sleep 1
xdotool key Down Down Return  # Details
shot details
xdotool key Return
sleep 0.5
"$WINESERVER" -k 2>/dev/null || true
