# Shared set-up for the end-to-end journeys: a private virtual display with a window manager,
# and a copy of the runnable build tree's data that a journey may damage.
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$source_dir/scripts/xsession.sh"

work_dir=$(mktemp -d)
artifacts_dir="$build_dir/e2e-artifacts"
mkdir -p "$artifacts_dir"
cleanup_journey() {
    [[ -n "${demo_pid:-}" ]] && kill "$demo_pid" 2>/dev/null
    stop_virtual_display
    rm -rf "$work_dir"
}
start_virtual_display
trap cleanup_journey EXIT
cp -r "$build_dir/data" "$work_dir/data"

# Says what failed and what the program last said, and keeps the screen as it was.
fail() {
    echo "FAIL: $*" >&2
    if [[ -s "$work_dir/stderr.txt" ]]; then
        echo "the program's standard error:" >&2
        tail -n 20 "$work_dir/stderr.txt" >&2
    fi
    import -window root "$artifacts_dir/failure-screen.png" 2>/dev/null || true
    exit 1
}

# Starts the demo in the work directory; its standard error goes to $work_dir/stderr.txt.
start_demo() {
    (cd "$work_dir" && exec "$build_dir/mirelda" 2>"$work_dir/stderr.txt") &
    demo_pid=$!
}

# Control positions inside the settings dialog, from the same template, fonts and group file
# (the probe builds the dialog off screen): fills at[name]="x y" and the dialog's client origin.
declare -A at
load_dialog_layout() {
    local settings=$1 name x y
    while read -r name x y; do at[$name]="$x $y"; done < <(cd "$work_dir" &&
        "$build_dir/tests/e2e/dialog_probe" 2>/dev/null)
    read -r dialog_x dialog_y _ _ <<<"$(client_rect "$settings")"
}

# Clicks a control of the dialog by its probe name; further arguments go to xdotool click.
click_in_dialog() {
    local x y
    read -r x y <<<"${at[$1]}"
    xdotool mousemove --sync $((dialog_x + x)) $((dialog_y + y))
    shift
    xdotool click "$@" 1
}

# Drags horizontally from one probe position past another, in small steps as a hand does.
drag_in_dialog() {
    local fx fy tx ty
    read -r fx fy <<<"${at[$1]}"
    read -r tx ty <<<"${at[$2]}"
    xdotool mousemove --sync $((dialog_x + fx)) $((dialog_y + fy)) mousedown 1
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --sync $((dialog_x + fx + (tx - fx + 20) * step / 8)) $((dialog_y + fy))
    done
    xdotool mouseup 1
}

# Selects the first target of the dialog's last group in the tree.
select_first_target_of_last_group() {
    local last_group
    last_group=$(printf '%s\n' "${!at[@]}" | grep '^group' | sort -V | tail -n 1)
    click_in_dialog "$last_group"
    xdotool key Right Down
}

# LeakSanitizer's tracer now and then crashes at exit on its own, a known intermittent fault of
# the tool rather than a leak: standard error then holds its signature and no other report.
leak_checker_crashed() {
    grep -q 'Tracer caught signal' "$work_dir/stderr.txt" &&
        grep -q 'LeakSanitizer has encountered a fatal error' "$work_dir/stderr.txt" &&
        ! grep -qE 'ERROR: [A-Za-z]+Sanitizer|runtime error' "$work_dir/stderr.txt"
}

# The process that ended had the status expected. A run whose leak checker crashed ends with the
# tool's status and gives no leak verdict: that is said, not failed.
expect_exit_status() {
    local expected=$1 what=$2
    if leak_checker_crashed; then
        echo "note: $what: the leak checker crashed at exit; no status or leak verdict this run"
        return
    fi
    [[ "$exit_status" == "$expected" ]] || fail "$what: exit status $exit_status"
}

# The error box comes up with its caption, OK ends the process with status 1, and standard
# error names the reason; nothing crashes.
await_error_box() {
    local reason_pattern=$1 name=$2 box
    box=$(wait_for_window '^Error Message$' 30) || fail "no error box for $name"
    screenshot_window "$box" "$artifacts_dir/error-$name.png"
    xdotool windowactivate --sync "$box" key --clearmodifiers Return ||
        xdotool key --clearmodifiers Return
    wait_for_exit "$demo_pid" 20
    demo_pid=""
    expect_exit_status 1 "$name: after OK"
    grep -qE "$reason_pattern" "$work_dir/stderr.txt" ||
        fail "$name: standard error does not name the reason: $(cat "$work_dir/stderr.txt")"
    if ! leak_checker_crashed && grep -qiE 'segmentation|aborted|sanitizer' "$work_dir/stderr.txt"; then
        fail "$name: crashed: $(cat "$work_dir/stderr.txt")"
    fi
    echo "ok: $name"
}

# The journey for a data file damaged before the start.
expect_error_box() {
    start_demo
    await_error_box "$@"
}

# Pixels that differ between two pictures.
# (compare exits with 1 when the pictures differ, which is not a failure here.)
pixels_differing() { { compare -metric AE "$1" "$2" null: 2>&1 || true; } | cut -d' ' -f1; }
# Pixels of a picture that are not the white background.
drawn_pixels() {
    convert "$1" -fill black -opaque white -fill white +opaque black -format '%[fx:round(w*h*mean)]' info:
}
# A shot of the main window ($main) into the artifacts.
shot() { screenshot_window "$main" "$artifacts_dir/$1.png"; }
# A shot of the picture once it differs from an earlier one and has settled (two shots alike),
# or after 15 s: a slow build (the sanitizer suite) presents a frame only every few hundred
# milliseconds.
shot_changed() { # name earlier-name
    local shot="$artifacts_dir/$1.png" last="$artifacts_dir/$1.last.png"
    rm -f "$last"
    for _ in $(seq 50); do
        sleep 0.3
        shot "$1"
        if (($(pixels_differing "$artifacts_dir/$2.png" "$shot") > 0)); then
            [[ -f "$last" ]] && (($(pixels_differing "$last" "$shot") == 0)) && break
            cp "$shot" "$last"
        fi
    done
    rm -f "$last"
}
