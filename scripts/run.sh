#!/usr/bin/env bash
# Opens Remove Apps on the demo device, at the device's 240x320 screen or the
# one given with --screen WxH (320x240, 240x240 or 480x640). With a display,
# in a window there; without one, under Xvfb, saving a screenshot
# REMOVEAPPS_SHOW_SECONDS (default 8) after its list is drawn.
# REMOVEAPPS_RESET=1 starts afresh.
set -euo pipefail
seconds=${REMOVEAPPS_SHOW_SECONDS:-8}
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "$0: REMOVEAPPS_SHOW_SECONDS must be a whole number of seconds, not '$seconds'" >&2
    exit 2
fi
source "$(dirname "$0")/demo-env.sh"

if [ -n "${DISPLAY:-}" ]; then
    if [ "$scale" != 1 ]; then
        echo "A $screen device runs Remove Apps on a $device_screen screen and doubles every" \
             "pixel; a window here cannot be doubled, so it opens at $device_screen."
    fi
    echo "Opening Remove Apps at $device_screen; leave it with Done."
    exec "$WINE" explorer /desktop=RemoveApps,"$device_screen" "$program"
fi

shot=$root/build/remove-apps-$screen.png
echo "No display: running Remove Apps under Xvfb at $device_screen..."
start_device_screen
start_program
if ! wait_until_shown list; then
    "$WINESERVER" -k 2>/dev/null || true
    echo "$0: no screenshot taken" >&2
    exit 1
fi
sleep "$seconds"
save_screen "$shot"
"$WINESERVER" -k 2>/dev/null || true
if [ "$scale" != 1 ]; then
    echo "A $screen device shows the $device_screen screen doubled, as this picture does."
fi
echo "Screenshot: $shot"
