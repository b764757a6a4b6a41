#!/usr/bin/env bash
# The demo's CPU while nothing changes on screen, read from /proc: visible (the frames' own work
# plus what the loop costs between them), minimised and fully covered (no frames at all), then
# visible again. Percent of one core, all threads. Run from the build directory:
#
#     ../bench/app/idle_cpu.sh [seconds per phase, default 30]
set -euo pipefail
seconds=${1:-30}
source "$(dirname "$0")/../../scripts/xsession.sh"

# CPU of the process over the next $2 seconds, in percent of one core.
cpu_percent() {
    local pid=$1 span=$2 ticks=$(getconf CLK_TCK) before after
    before=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$span"
    after=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    awk -v a="$before" -v b="$after" -v t="$ticks" -v s="$span" \
        'BEGIN { printf "%.1f", 100 * (b - a) / t / s }'
}

start_virtual_display
./mirelda 2>/dev/null &
demo=$!
trap 'kill $demo 2>/dev/null || true; stop_virtual_display' EXIT
window=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30)
sleep 2
echo "visible:   $(cpu_percent $demo "$seconds") % of a core"
xdotool windowminimize "$window"
sleep 1
echo "minimised: $(cpu_percent $demo "$seconds") % of a core"
wmctrl -i -a "$window"
sleep 1
# A window over the whole screen covers the demo's completely.
xev -geometry 1280x1024+0+0 >/dev/null &
cover=$!
sleep 1
echo "covered:   $(cpu_percent $demo "$seconds") % of a core"
kill $cover
sleep 1
echo "visible:   $(cpu_percent $demo "$seconds") % of a core"
