#!/usr/bin/env bash
# Opens Remove Apps on the demo device at the device's 240x320 screen. With a
# display, in a window there; without one, under Xvfb, saving a screenshot.
# REMOVEAPPS_RESET=1 scripts/run.sh starts the demo device afresh.
set -euo pipefail
source "$(dirname "$0")/demo-env.sh"

if [ -n "${DISPLAY:-}" ]; then
    exec "$WINE" explorer /desktop=RemoveApps,240x320 "$program"
fi

shot=$root/build/remove-apps.png
start_device_screen
start_program
sleep 8
import -window root "$shot"
"$WINESERVER" -k 2>/dev/null || true
echo "No display: Remove Apps ran under Xvfb. Screenshot: $shot"
