#!/usr/bin/env bash
# Starts the built demo from the build tree. With a display it simply runs; without one it runs
# on a virtual display, saves a screenshot of the first frame, closes the main window the way a
# user does and returns the demo's exit status.
set -euo pipefail
scripts_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-build}" && pwd)
cd "$build_dir"

if [[ -n "${DISPLAY:-}" ]]; then
    exec ./mirelda
fi

source "$scripts_dir/xsession.sh"
start_virtual_display
./mirelda &
demo=$!
if window=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 20) && wait_for_first_frame "$window" 20; then
    wait_for_window "$MIRELDA_SETTINGS_PATTERN" 5 >/dev/null || true
    sleep 0.3
    screenshot_screen "$build_dir/screenshot.png"
    echo "Screenshot: $build_dir/screenshot.png"
    close_main_window
else
    echo "The demo showed no frame; see its messages above." >&2
    screenshot_screen "$build_dir/screenshot.png" || true
    # An error box may be up: its OK button ends the demo.
    xdotool key --clearmodifiers Return 2>/dev/null || true
fi
wait_for_exit "$demo" 20
echo "Demo exit status: $exit_status"
exit "$exit_status"
