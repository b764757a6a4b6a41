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

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts the demo in the work directory; its standard error goes to $work_dir/stderr.txt.
start_demo() {
    (cd "$work_dir" && exec "$build_dir/mirelda" 2>"$work_dir/stderr.txt") &
    demo_pid=$!
}

# The journey for a damaged data file: the error box comes up with its caption and text, OK
# ends the process with status 0, and standard error names the reason.
expect_error_box() {
    local reason_pattern=$1 name=$2 box
    start_demo
    box=$(wait_for_window '^Error Message$' 30) || fail "no error box for $name"
    screenshot_window "$box" "$artifacts_dir/error-$name.png"
    xdotool windowactivate --sync "$box" key --clearmodifiers Return ||
        xdotool key --clearmodifiers Return
    wait_for_exit "$demo_pid" 20
    demo_pid=""
    [[ "$exit_status" == 0 ]] || fail "$name: exit status $exit_status after OK"
    grep -qE "$reason_pattern" "$work_dir/stderr.txt" ||
        fail "$name: standard error does not name the reason: $(cat "$work_dir/stderr.txt")"
    if grep -qiE 'segmentation|aborted|sanitizer' "$work_dir/stderr.txt"; then
        fail "$name: crashed: $(cat "$work_dir/stderr.txt")"
    fi
    echo "ok: $name"
}
