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
# A NaN in the first position: no failure later would show it, only holes in the picture.
printf '\x00\x00\xc0\x7f' | dd of="$mesh" bs=1 seek=20 conv=notrunc status=none
expect_error_box 'headModelNew.dat: vertex 0 of the base mesh has nan in its position' nan-in-mesh

fresh_data
# Opening a named pipe would wait for a writer forever.
rm "$mesh"
mkfifo "$mesh"
expect_error_box 'cannot open mesh file .*headModelNew.dat: is a named pipe' fifo-mesh

fresh_data
printf '<MorphGroups>\n  <Group name="Brows">\n    <Target name="browInnerUp"\n' \
    >"$work_dir/data/meshes/headModel.xml"
expect_error_box 'headModel.xml' broken-xml

fresh_data
# Deep enough to overflow the XML parser's stack.
{
    printf '<MorphGroups>'
    printf '<a>%.0s' $(seq 40000)
    printf '</a>%.0s' $(seq 40000)
    printf '</MorphGroups>\n'
} >"$work_dir/data/meshes/headModel.xml"
expect_error_box 'headModel.xml: elements nest deeper than' deep-xml

fresh_data
echo 'this is not HLSL;' >>"$work_dir/data/shaders/morphPixelShader.psh"
expect_error_box 'morphPixelShader.psh: does not compile' shader-syntax-error
reasons=$(grep -c 'morphPixelShader.psh: does not compile' "$work_dir/stderr.txt" || true)
[[ "$reasons" == 1 ]] || fail "shader-syntax-error: the reason was written $reasons times"

fresh_data
rm "$work_dir/data/shaders/staticVertexShader.vsh"
mkdir "$work_dir/data/shaders/staticVertexShader.vsh"
expect_error_box 'staticVertexShader.vsh: cannot open shader file: is a directory' shader-directory

fresh_data
# A valid shader of a megabyte: the OpenGL driver's compiler would take minutes, then crash.
printf '// a comment line that makes the shader long but changes nothing\n%.0s' $(seq 18724) \
    >>"$work_dir/data/shaders/morphVertexShader.vsh"
expect_error_box 'morphVertexShader.vsh: the shader is [0-9]+ bytes long' huge-shader

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

fresh_data
# No display to open, unset or unreachable: one line that says so, status 1, no core dump.
printf 'Timecode,BlendShapeCount,JawOpen\n10:00:00:00.000,1,0.5\n' >"$work_dir/take.csv"
for display in unset :97; do
    for program in mirelda "mirelda-play take.csv" tools/contactsheet; do
        set +e
        if [[ "$display" == unset ]]; then
            (cd "$work_dir" && env -u DISPLAY -u WAYLAND_DISPLAY $build_dir/$program) \
                >"$work_dir/out.txt" 2>"$work_dir/stderr.txt"
        else
            (cd "$work_dir" && env -u WAYLAND_DISPLAY DISPLAY=$display $build_dir/$program) \
                >"$work_dir/out.txt" 2>"$work_dir/stderr.txt"
        fi
        status=$?
        set -e
        what="${program%% *} with DISPLAY $display"
        [[ $status == 1 ]] || fail "$what: exit status $status: $(cat "$work_dir/stderr.txt")"
        [[ $(wc -l <"$work_dir/stderr.txt") == 1 ]] &&
            grep -q "no display could be opened (DISPLAY=$display, WAYLAND_DISPLAY=unset).*xvfb-run" \
                "$work_dir/stderr.txt" || fail "$what: $(cat "$work_dir/stderr.txt")"
    done
done
echo "ok: no display: one line and status 1, for the demo, the player and the picture tools"
