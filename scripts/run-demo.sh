#!/usr/bin/env bash
# Starts the built demo from the build tree. With a display it simply runs; without one it runs
# on a virtual display, saves a screenshot of the first frame, closes the main window the way a
# user does and returns the demo's exit status. A failure is named as one: the demo exits with
# status 1 after its error box.
# Usage: scripts/run-demo.sh [build dir] [glTF model] [recording] [render output] [live]
# With a model, the demo runs in <build>/models/<model's file stem>/: the model imported there
# by mirelda-import, beside a copy of the shaders. With a recording, mirelda-play plays it there
# instead of the demo; with a model too, the recording may also be the name of one of the
# model's own animations (<dir>/data/animations/<name>.csv). With a render output too, the
# recording is drawn into that video (or folder/ of frames) without a window, on a virtual
# display when there is none. With live set (to anything), mirelda-play --live shows a
# tracker's stream there instead.
set -euo pipefail
scripts_dir=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-build}" && pwd)
model=${2:-}
play=${3:-}
render=${4:-}
live=${5:-}
work_dir=$build_dir
program=("$build_dir/mirelda")
if [[ -n "$play" && -f "$play" ]]; then
    play=$(cd "$(dirname "$play")" && pwd)/$(basename "$play")
fi
if [[ -n "$render" ]]; then
    [[ -n "$play" ]] || { echo "run-demo: RENDER draws a recording: name it with PLAY" >&2; exit 1; }
    # Relative to where make runs, not to the data folder the player runs in.
    [[ "$render" == /* ]] || render="$PWD/$render"
fi

if [[ -n "$model" ]]; then
    [[ -f "$model" ]] || { echo "run-demo: no model file $model" >&2; exit 1; }
    stem=$(basename "$model")
    stem=${stem%.*}
    work_dir="$build_dir/models/$stem"
    "$build_dir/mirelda-import" "$model" "$work_dir"
    mkdir -p "$work_dir/data"
    rm -rf "$work_dir/data/shaders"
    cp -r "$build_dir/data/shaders" "$work_dir/data/shaders"
fi
if [[ -n "$play" ]]; then
    if [[ ! -f "$play" && -f "$work_dir/data/animations/$play.csv" ]]; then
        play="$work_dir/data/animations/$play.csv"
    fi
    [[ -f "$play" ]] || { echo "run-demo: no recording $play" >&2; exit 1; }
    program=("$build_dir/mirelda-play" "$play")
fi
if [[ -n "$live" ]]; then
    [[ -z "$play" ]] || { echo "run-demo: a recording and LIVE cannot play at once" >&2; exit 1; }
    program=("$build_dir/mirelda-play" --live)
fi
cd "$work_dir"

if [[ -n "$render" ]]; then
    program+=(--render "$render")
    if [[ -z "${DISPLAY:-}" ]]; then
        program=(xvfb-run -a -s "-screen 0 1280x1024x24" "${program[@]}")
    fi
    "${program[@]}"
    exit
fi

# Passes the demo's status on, saying so when it is a failure.
finish() {
    local status=$1
    if ((status != 0)); then
        echo "run-demo: the demo failed (exit status $status); its reason is in the messages above." >&2
    fi
    exit "$status"
}

if [[ -n "${DISPLAY:-}" ]]; then
    status=0
    "${program[@]}" || status=$?
    finish "$status"
fi

source "$scripts_dir/xsession.sh"
start_virtual_display
"${program[@]}" &
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
finish "$exit_status"
