#!/usr/bin/env bash
# A user brings their own head: mirelda-import turns a glTF model into the demo's two data
# files beside the shaders, the demo started there shows the model and its slider blends the
# model's expression. A broken model is refused with one line and the imported head stays.
source "$(dirname "$0")/common.sh" "$1"

model="$work_dir/face.glb"
"$build_dir/tests/import/write_test_head" "$model"
"$build_dir/mirelda-import" "$model" "$work_dir" >"$work_dir/import.txt" ||
    fail "the import failed: $(cat "$work_dir/import.txt")"
grep -q '^Targets (7): jawOpen, eyeBlinkLeft' "$work_dir/import.txt" ||
    fail "the summary does not list the targets: $(cat "$work_dir/import.txt")"
cp "$work_dir/data/meshes/headModelNew.dat" "$work_dir/imported.dat"
cp "$work_dir/data/meshes/headModel.xml" "$work_dir/imported.xml"
echo "ok: imported ($(grep '^Head:' "$work_dir/import.txt"))"

head -c 5000 "$model" >"$work_dir/broken.glb"
status=0
"$build_dir/mirelda-import" "$work_dir/broken.glb" "$work_dir" 2>"$work_dir/refusal.txt" || status=$?
[[ $status == 1 ]] || fail "a truncated model gave exit status $status"
[[ $(wc -l <"$work_dir/refusal.txt") == 1 ]] && grep -q 'broken.glb' "$work_dir/refusal.txt" ||
    fail "the refusal is not one line naming the file: $(cat "$work_dir/refusal.txt")"
cmp -s "$work_dir/imported.dat" "$work_dir/data/meshes/headModelNew.dat" &&
    cmp -s "$work_dir/imported.xml" "$work_dir/data/meshes/headModel.xml" ||
    fail "a refused import changed the data files"
echo "ok: refused: $(cat "$work_dir/refusal.txt")"

start_demo
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no main window: $(cat "$work_dir/stderr.txt")"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
wait_for_first_frame "$main" 20 || fail "no frame presented"
sleep 0.5
shot import-neutral
drawn=$(drawn_pixels "$artifacts_dir/import-neutral.png")
((drawn > 20000)) || fail "only $drawn pixels of the imported head drawn"
echo "ok: imported head drawn ($drawn pixels)"

# Channel 4 plays jawOpen (the channels start with the seven names in byte order).
load_dialog_layout "$settings"
click_in_dialog row4
drag_in_dialog thumb sliderEnd
shot_changed import-jaw-open import-neutral
changed=$(pixels_differing "$artifacts_dir/import-neutral.png" "$artifacts_dir/import-jaw-open.png")
((changed > 200)) || fail "the slider changed only $changed pixels of the imported head"
echo "ok: the slider opens the imported jaw ($changed pixels)"

close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
expect_exit_status 0 "closing"
echo "ok: closing ends the demo with status 0"

# A skinned head turns with a recording: its skin says how much of the turn each vertex takes.
"$build_dir/tests/import/write_test_head" "$work_dir/skinned.glb" 64 96 7 skinned
"$build_dir/mirelda-import" "$work_dir/skinned.glb" "$work_dir" >"$work_dir/import.txt" ||
    fail "the skinned import failed: $(cat "$work_dir/import.txt")"
grep -q '^Head turn: skin, joint "Head" (neck "Neck")' "$work_dir/import.txt" ||
    fail "the summary does not name the head joint: $(cat "$work_dir/import.txt")"
printf 'Timecode,BlendShapeCount,JawOpen,HeadYaw,HeadPitch,HeadRoll\n' >"$work_dir/turn.csv"
for frame in 0 1 2; do printf '10:00:00:0%d.000,1,0,0.5,0,0\n' "$frame" >>"$work_dir/turn.csv"; done
play_shot() { # name, then the player's options
    local name=$1
    shift
    (cd "$work_dir" && exec "$build_dir/mirelda-play" turn.csv "$@" 2>"$work_dir/stderr.txt") &
    demo_pid=$!
    main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no player window"
    wait_for_first_frame "$main" 20 || fail "no frame presented"
    sleep 0.5
    shot "$name"
    close_main_window
    wait_for_exit "$demo_pid" 20
    demo_pid=""
    expect_exit_status 0 "closing the player"
}
play_shot skinned-still --head off
play_shot skinned-turned
play_shot skinned-turned-other-way --no-mirror
turned=$(pixels_differing "$artifacts_dir/skinned-still.png" "$artifacts_dir/skinned-turned.png")
mirrored=$(pixels_differing "$artifacts_dir/skinned-turned.png" \
    "$artifacts_dir/skinned-turned-other-way.png")
((turned > 2000 && mirrored > 2000)) ||
    fail "the skinned head did not turn ($turned pixels) or not both ways ($mirrored)"
echo "ok: the imported skinned head turns with the recording ($turned pixels, $mirrored mirrored)"
