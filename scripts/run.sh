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
Xvfb -displayfd 4 -screen 0 240x320x24 -nolisten tcp 4>"$root/build/.xvfb-display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -s "$root/build/.xvfb-display" ] && break
    sleep 0.1
done
export DISPLAY=:$(cat "$root/build/.xvfb-display")
"$WINE" explorer /desktop=RemoveApps,240x320 "$program" &
sleep 8
import -window root "$shot"
"$WINESERVER" -k 2>/dev/null || true
echo "No display: Remove Apps ran under Xvfb. Screenshot: $shot"
