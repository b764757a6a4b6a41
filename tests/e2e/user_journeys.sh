#!/usr/bin/env bash
# The demo as its users drive it: both windows appear side by side, the slider and the target
# tree change the head, the mouse orbits and zooms the camera, and closing the main window ends
# the process with status 0.
source "$(dirname "$0")/common.sh" "$1"

start_demo
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no main window"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
wait_for_first_frame "$main" 20 || fail "no frame presented"
sleep 0.5
screenshot_screen "$artifacts_dir/start-screen.png"

# The dialog's frame touches the main frame's top-right corner and is as tall.
read -r mx my mw mh <<<"$(frame_rect "$main")"
read -r sx sy sw sh <<<"$(frame_rect "$settings")"
[[ $sx -eq $((mx + mw)) && $sy -eq $my && $sh -eq $mh ]] ||
    fail "settings frame $sx,$sy ${sw}x$sh is not beside main frame $mx,$my ${mw}x$mh"
echo "ok: windows side by side"

# A head on a white background.
shot neutral
[[ "$(pixel_color "$main" 4 4)" == "FFFFFF" ]] || fail "background is not white"
drawn=$(drawn_pixels "$artifacts_dir/neutral.png")
((drawn > 20000)) || fail "only $drawn pixels of head drawn"
echo "ok: head on white ($drawn pixels)"

load_dialog_layout "$settings"

# Channel 0 selected, slider dragged to its end: the head changes and the label follows.
screenshot_window "$settings" "$artifacts_dir/dialog-before.png"
click_in_dialog row0
drag_in_dialog thumb sliderEnd
shot_changed channel0-weight1 neutral
screenshot_window "$settings" "$artifacts_dir/dialog-after.png"
changed=$(pixels_differing "$artifacts_dir/neutral.png" "$artifacts_dir/channel0-weight1.png")
((changed > 200)) || fail "the slider changed only $changed pixels of the head"
label_changed=$(pixels_differing "$artifacts_dir/dialog-before.png" "$artifacts_dir/dialog-after.png")
((label_changed > 50)) || fail "the dialog did not change under the slider ($label_changed)"
echo "ok: slider changes the head ($changed pixels)"

# The last group's first target double-clicked onto channel 0: a new expression at weight 1.
select_first_target_of_last_group
click_in_dialog row0 --repeat 2 --delay 80
shot_changed channel0-reassigned channel0-weight1
changed=$(pixels_differing "$artifacts_dir/channel0-weight1.png" "$artifacts_dir/channel0-reassigned.png")
((changed > 200)) || fail "assigning a target changed only $changed pixels"
echo "ok: double click assigns a target ($changed pixels)"

# A left drag orbits the head; the wheel moves the camera closer and away.
read -r main_x main_y _ _ <<<"$(client_rect "$main")"
xdotool mousemove --sync $((main_x + 300)) $((main_y + 300)) mousedown 1
for step in $(seq 1 30); do
    xdotool mousemove --sync $((main_x + 300 + step * 6)) $((main_y + 300))
    sleep 0.02
done
xdotool mouseup 1
shot_changed orbited channel0-reassigned
changed=$(pixels_differing "$artifacts_dir/channel0-reassigned.png" "$artifacts_dir/orbited.png")
((changed > 500)) || fail "dragging moved only $changed pixels"
echo "ok: drag orbits ($changed pixels)"

before=$(drawn_pixels "$artifacts_dir/orbited.png")
# Each wheel message moves the camera by 1000 units per second of frame time, so one click
# away and then one back: however slow the frames, the camera stays in front of the head.
xdotool click 5
shot_changed farther orbited
farther=$(drawn_pixels "$artifacts_dir/farther.png")
xdotool click 4
shot_changed closer farther
closer=$(drawn_pixels "$artifacts_dir/closer.png")
((farther < before && closer > farther)) || fail "wheel: $before -> farther $farther -> closer $closer"
echo "ok: wheel zooms ($before -> $farther -> $closer pixels)"

# One wheel step away from the picture now (named $1) and one back; prints the pixels drawn one
# step away. From a still picture a step is always one frame's worth of motion.
step_away_and_back() {
    xdotool click 5
    shot_changed "$1-away" "$1"
    drawn_pixels "$artifacts_dir/$1-away.png"
    xdotool click 4
    shot_changed "$1-back" "$1-away"
}

# Every way of hiding the window and bringing it back draws the head again, and the time it was
# away never reaches a frame: one wheel step afterwards moves the camera one ordinary step.
sleep 0.5
shot resting
resting_drawn=$(drawn_pixels "$artifacts_dir/resting.png")
one_step=$(step_away_and_back resting)
hide_unmapped() { xdotool windowunmap --sync "$main"; }
show_unmapped() { xdotool windowmap --sync "$main"; }
hide_minimised() { xdotool windowminimize --sync "$main"; }
show_minimised() { wmctrl -i -a "$main"; }
hide_covered() {
    xev -geometry 1280x1024+0+0 >/dev/null &
    cover_pid=$!
}
show_covered() { kill "$cover_pid"; }
for way in unmapped minimised covered; do
    # The picture just before: steps scale with the frame time, so away and back may not land
    # on the very same camera.
    sleep 0.5
    shot "$way-before"
    "hide_$way"
    sleep 3
    "show_$way"
    sleep 1
    shot "$way-shown"
    again=$(pixels_differing "$artifacts_dir/$way-before.png" "$artifacts_dir/$way-shown.png")
    ((again < 100)) || fail "$way and shown again, the head differs in $again pixels"
    step=$(step_away_and_back "$way-shown")
    # A step scales with the last frame's time: on a loaded machine that frame may have taken two
    # or three periods, but the seconds away would throw the camera out of the head.
    change=$((resting_drawn - step)) one_change=$((resting_drawn - one_step))
    ((change > 0 && change < 4 * one_change)) ||
        fail "$way and shown again, one wheel step gave $step pixels, not about $one_step"
    echo "ok: $way and shown again: the head is drawn and a wheel step is one step ($step pixels)"
done

# Closing the main window ends the process with status 0 and takes the dialog with it.
close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
expect_exit_status 0 "closing"
xdotool search --name "$MIRELDA_SETTINGS_PATTERN" >/dev/null 2>&1 && fail "settings window left behind"
echo "ok: closing ends the demo with status 0"
