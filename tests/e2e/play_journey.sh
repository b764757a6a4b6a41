#!/usr/bin/env bash
# A user plays a face capture: mirelda-play shows the demo's windows, the mouth moves as the
# recording says, Space holds it still and lets it go on, N and Shift+N take and clear the face
# at rest, the channel list shows the strongest targets, and closing the window ends the player
# with status 0. A damaged recording is refused
# through the error box with its line.
source "$(dirname "$0")/common.sh" "$1"

# Three seconds at 30 Hz: the jaw shut for the first half, wide open for the second; a lost
# frame, an unknown column and the rotations, as captures have them (the head turns a little).
take="$work_dir/take.csv"
{
    echo "Timecode,BlendShapeCount,EyeBlinkLeft,JawOpen,Unknown,HeadYaw,HeadPitch,HeadRoll,LeftEyeYaw"
    for frame in $(seq 0 89); do
        printf -v timecode '10:20:%02d:%02d.000' $((frame / 30)) $((frame % 30))
        if ((frame == 10)); then
            echo "$timecode,0"
        else
            echo "$timecode,6,0.2,$((frame >= 45)),0.5,0.1,0,0,0.2"
        fi
    done
} >"$take"

start_player() {
    (cd "$work_dir" && exec "$build_dir/mirelda-play" "$1" 2>"$work_dir/stderr.txt") &
    demo_pid=$!
}

start_player "$take"
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no main window: $(cat "$work_dir/stderr.txt")"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
wait_for_first_frame "$main" 20 || fail "no frame presented"
shot play-first
shot_changed play-second play-first
changed=$(pixels_differing "$artifacts_dir/play-first.png" "$artifacts_dir/play-second.png")
((changed > 500)) || fail "the recording changed only $changed pixels"
echo "ok: the mouth moves as the recording plays ($changed pixels)"

[[ $(grep -c 'match no morph target.*: Unknown$' "$work_dir/stderr.txt") == 1 &&
    $(grep -c 'eye rotations are not applied (the eyeLook targets carry the gaze): LeftEyeYaw$' "$work_dir/stderr.txt") == 1 ]] ||
    fail "the left-out columns are not named once: $(cat "$work_dir/stderr.txt")"
echo "ok: left-out columns named once"

# The first channel row shows the strongest target of the moment: the jaw while it is open, the
# blink (0.2) while it is shut. Its cell, sampled over a loop of the recording, must show each.
for target in jawOpen eyeBlinkLeft; do
    read -r _ cell_x cell_y cell_w cell_h < <(cd "$work_dir" &&
        "$build_dir/tests/e2e/dialog_probe" --row0 "$target" "$work_dir/row0-$target.png" 2>/dev/null)
done
read -r dialog_x dialog_y _ _ <<<"$(client_rect "$settings")"
shown_jaw=0 shown_blink=0
for sample in $(seq 16); do
    screenshot_window "$settings" "$work_dir/dialog.png"
    convert "$work_dir/dialog.png" -crop "${cell_w}x${cell_h}+${cell_x}+${cell_y}" +repage \
        "$work_dir/row0.png"
    jaw_off=$(pixels_differing "$work_dir/row0.png" "$work_dir/row0-jawOpen.png")
    blink_off=$(pixels_differing "$work_dir/row0.png" "$work_dir/row0-eyeBlinkLeft.png")
    ((jaw_off == 0)) && shown_jaw=$((shown_jaw + 1))
    ((blink_off == 0)) && shown_blink=$((shown_blink + 1))
    sleep 0.25
done
cp "$work_dir/dialog.png" "$artifacts_dir/play-dialog.png"
((shown_jaw > 0 && shown_blink > 0)) ||
    fail "the first row showed jawOpen in $shown_jaw and eyeBlinkLeft in $shown_blink of 16 samples"
echo "ok: the first row shows the strongest target (jaw $shown_jaw, blink $shown_blink of 16)"

xdotool windowactivate --sync "$main" key space
sleep 0.3
shot play-paused
sleep 1.7
shot play-still-paused
still=$(pixels_differing "$artifacts_dir/play-paused.png" "$artifacts_dir/play-still-paused.png")
((still == 0)) || fail "paused, the head still changed $still pixels"
# N takes the paused expression as the face at rest; Shift+N gives it back.
xdotool key n
shot_changed play-neutral play-paused
neutral=$(pixels_differing "$artifacts_dir/play-paused.png" "$artifacts_dir/play-neutral.png")
((neutral > 500)) || fail "N changed only $neutral pixels of the paused expression"
xdotool key shift+n
shot_changed play-neutral-cleared play-neutral
cleared=$(pixels_differing "$artifacts_dir/play-paused.png" "$artifacts_dir/play-neutral-cleared.png")
((cleared == 0)) || fail "Shift+N left $cleared pixels off the paused picture"
echo "ok: N takes the paused pose as neutral and Shift+N clears it"
xdotool key space
shot_changed play-resumed play-paused
resumed=$(pixels_differing "$artifacts_dir/play-paused.png" "$artifacts_dir/play-resumed.png")
((resumed > 500)) || fail "Space did not resume the recording ($resumed pixels)"
echo "ok: Space pauses and resumes"

close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
expect_exit_status 0 "closing"
echo "ok: closing ends the player with status 0"

printf 'Timecode,BlendShapeCount,JawOpen\n10:00:00:01.000,1,0.5\n10:00:00:00.000,1,0.5\n' \
    >"$work_dir/unordered.csv"
start_player unordered.csv
await_error_box 'unordered.csv:3: timecode "10:00:00:00.000" is earlier' unordered-recording
