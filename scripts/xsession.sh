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

# The colour of one pixel of a window, as six hex digits (FFFFFF for white).
pixel_color() {
    local window=$1 x=$2 y=$3
    import -window "$window" -crop "1x1+$x+$y" png:- 2>/dev/null |
        convert - -depth 8 -format '%[hex:p{0,0}]' info: 2>/dev/null | cut -c1-6
}

# Waits until the main window shows a presented frame: its white background at a corner.
wait_for_first_frame() {
    local window=$1 timeout=${2:-10}
    for _ in $(seq $((timeout * 10))); do
        [[ "$(pixel_color "$window" 4 4)" == "FFFFFF" ]] && return 0
        sleep 0.1
    done
    return 1
}

# A window's client area on the screen as "left top width height" (xdotool's geometry counts
# the window manager's frame twice, xwininfo does not).
client_rect() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'
}

# The window's frame, client area plus the window manager's extents, as "left top width height".
frame_rect() {
    local x y width height left right top bottom extents
    read -r x y width height <<<"$(client_rect "$1")"
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -oE '[0-9]+, [0-9]+, [0-9]+, [0-9]+' ||
        echo '0, 0, 0, 0')
    IFS=', ' read -r left right top bottom <<<"$extents"
    echo "$((x - left)) $((y - top)) $((width + left + right)) $((height + top + bottom))"
}

screenshot_screen() { import -window root "$1"; }
screenshot_window() { import -window "$1" "$2"; }

# Closes the main window through the window manager, as its close button does.
close_main_window() { wmctrl -F -c "$MIRELDA_TITLE"; }

# Waits up to $2 seconds for a child process to end and sets exit_status to its status; 124
# when it did not end (it is then killed). Not for use in a subshell: only the parent can wait.
wait_for_exit() {
    local pid=$1 timeout=${2:-10}
    for _ in $(seq $((timeout * 20))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" && exit_status=0 || exit_status=$?
            return 0
        fi
        sleep 0.05
    done
    kill "$pid" 2>/dev/null
    exit_status=124
}
