#!/usr/bin/env bash
# Damaged data files end the demo through its error box: never a crash, a hang or a wrong picture.
source "$(dirname "$0")/common.sh" "$1"

fresh_data() {
    rm -rf "$work_dir/data"
    cp -r "$build_dir/data" "$work_dir/data"
}
mesh="$work_dir/data/meshes/headModelNew.dat"

fresh_data
rm "$mesh"
expect_error_box 'cannot open mesh file' missing-mesh

fresh_data
truncate -s $(($(stat -c %s "$mesh") / 2)) "$mesh"
expect_error_box 'mesh file .*headModelNew.dat' truncated-mesh

fresh_data
# A vertex count of 2^31 - 1: the reader must refuse it before allocating anything.
printf '\xff\xff\xff\x7f' | dd of="$mesh" bs=1 seek=8 conv=notrunc status=none
expect_error_box 'mesh file .*headModelNew.dat' forged-mesh-count

fresh_data
printf '<MorphGroups>\n  <Group name="Brows">\n    <Target name="browInnerUp"\n' \
    >"$work_dir/data/meshes/headModel.xml"
expect_error_box 'headModel.xml' broken-xml

fresh_data
echo 'this is not HLSL;' >>"$work_dir/data/shaders/morphPixelShader.psh"
expect_error_box 'morphPixelShader.psh' shader-syntax-error

fresh_data
# The static pixel shader still compiles but no longer has the constant the frame sets.
sed -i 's/lightDir/lightDirection/g' "$work_dir/data/shaders/staticPixelShader.psh"
expect_error_box 'lightDir' shader-without-constant

fresh_data
# A group file may name a target the mesh lacks; putting it on a channel ends the demo at the
# next frame.
sed -i 's|</MorphGroups>|<Group name="Extra"><Target name="noSuchTarget"/></Group></MorphGroups>|' \
    "$work_dir/data/meshes/headModel.xml"
start_demo
wait_for_window "$MIRELDA_TITLE_PATTERN" 30 >/dev/null || fail "no main window"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
load_dialog_layout "$settings"
select_first_target_of_last_group
click_in_dialog row0 --repeat 2 --delay 80
await_error_box 'noSuchTarget' target-missing-from-mesh
