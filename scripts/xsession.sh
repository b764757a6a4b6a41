# Shell helpers that drive the demo on a virtual X display, the way a user would: a window
# manager frames the windows, closing goes through it, screenshots come from the X server.
# Sourced by scripts/run-demo.sh and the end-to-end tests.

MIRELDA_TITLE='[Interactive Demo Application] - Mirelda'
MIRELDA_TITLE_PATTERN='^\[Interactive Demo Application\] - Mirelda$'
MIRELDA_SETTINGS_PATTERN='^Mirelda Settings$'

# Starts Xvfb and openbox; exports DISPLAY. Stops them again when the calling shell exits.
start_virtual_display() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [[ -s "$display_file" ]] && break
        sleep 0.05
    done
    export DISPLAY=":$(cat "$display_file")"
    rm -f "$display_file"
    openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    # The window manager is ready once it has claimed the root window.
    for _ in $(seq 100); do
        wmctrl -m >/dev/null 2>&1 && break
        sleep 0.05
    done
    trap stop_virtual_display EXIT
}

stop_virtual_display() {
    kill "$WM_PID" "$XVFB_PID" 2>/dev/null || true
    wait "$WM_PID" "$XVFB_PID" 2>/dev/null || true
}

# Prints the id of the visible window whose title matches the pattern, waiting up to $2 seconds.
wait_for_window() {
    local pattern=$1 timeout=${2:-10} id
    for _ in $(seq $((timeout * 20))); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# The colour of one pixel of a window, as ImageMagick's "srgb(r,g,b)".
pixel_color() {
    local window=$1 x=$2 y=$3
    import -window "$window" -crop "1x1+$x+$y" txt:- 2>/dev/null | tail -n 1 |
        grep -oE 'srgba?\([0-9,.]+\)|#[0-9A-Fa-f]{6}'
}

# Waits until the main window shows a presented frame: its white background at a corner.
wait_for_first_frame() {
    local window=$1 timeout=${2:-10} color
    for _ in $(seq $((timeout * 10))); do
        color=$(pixel_color "$window" 4 4)
        [[ "$color" == "srgb(255,255,255)" || "$color" == "#FFFFFF" ]] && return 0
        sleep 0.1
    done
    return 1
}

screenshot_screen() { import -window root "$1"; }
screenshot_window() { import -window "$1" "$2"; }

# Closes the main window through the window manager, as its close button does.
close_main_window() { wmctrl -F -c "$MIRELDA_TITLE"; }

# Waits up to $2 seconds for a process to end and prints its status; 124 when it did not end.
wait_for_exit() {
    local pid=$1 timeout=${2:-10}
    for _ in $(seq $((timeout * 20))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            echo $?
            return 0
        fi
        sleep 0.05
    done
    kill "$pid" 2>/dev/null
    echo 124
}
