# Sourced by the scripts that draw on a screen of the device's size.
# start_xvfb WxH: starts Xvfb at that size on a free display, exports DISPLAY,
# and stops it when the calling script ends.
start_xvfb() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 4 -screen 0 "${1}x24" -nolisten tcp 4>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    export DISPLAY=:$(cat "$display_file")
    rm -f "$display_file"
}
