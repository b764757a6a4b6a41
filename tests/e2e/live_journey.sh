#!/usr/bin/env bash
# A user points a tracker at mirelda-play --live: the player prints where to send, a sender in
# another process opens the jaw and then turns the head in the picture, a VMC sender closes the
# jaw again, damaged datagrams change nothing, and closing the window puts the recorded take in
# place, which then plays.
source "$(dirname "$0")/common.sh" "$1"

# Ports of this run's own, so that parallel runs do not meet.
llf_port=$((20000 + $$ % 20000))
vmc_port=$((llf_port + 1))

(cd "$work_dir" && exec "$build_dir/mirelda-play" --live --bind 127.0.0.1 --llf-port "$llf_port" \
    --vmc-port "$vmc_port" --record take.csv >"$work_dir/stdout.txt" 2>"$work_dir/stderr.txt") &
demo_pid=$!
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no main window: $(cat "$work_dir/stderr.txt")"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
wait_for_first_frame "$main" 20 || fail "no frame presented"
grep -q "listening on 127.0.0.1: .* port $llf_port, VMC on UDP port $vmc_port" "$work_dir/stdout.txt" ||
    fail "the addresses and ports are not printed: $(cat "$work_dir/stdout.txt")"
echo "ok: the address and ports are printed"
shot live-rest
screenshot_window "$settings" "$artifacts_dir/live-dialog-waiting.png"

"$build_dir/live-sender" 127.0.0.1 "$llf_port" 2 60 jaw
# The stream is smoothed: the picture is taken once it has settled.
shot_changed live-jaw live-rest
jaw=$(pixels_differing "$artifacts_dir/live-rest.png" "$artifacts_dir/live-jaw.png")
((jaw > 500)) || fail "the stream opened the jaw by only $jaw pixels"
echo "ok: the stream opens the jaw ($jaw pixels)"
screenshot_window "$settings" "$artifacts_dir/live-dialog-receiving.png"

"$build_dir/live-sender" 127.0.0.1 "$llf_port" 2 60
shot_changed live-turned live-jaw
# The smoothed head comes to rest on the last pose sent within a second and a half.
sleep 2
shot live-turned
turned=$(pixels_differing "$artifacts_dir/live-jaw.png" "$artifacts_dir/live-turned.png")
((turned > 2000)) || fail "the stream turned the head by only $turned pixels"
echo "ok: the stream turns the head ($turned pixels)"

# Damaged datagrams are dropped: the picture holds.
for _ in 1 2 3; do printf 'garbage' >/dev/udp/127.0.0.1/"$llf_port"; done
printf '#bundle\0\0' >/dev/udp/127.0.0.1/"$vmc_port"
sleep 0.5
shot live-after-garbage
held=$(pixels_differing "$artifacts_dir/live-turned.png" "$artifacts_dir/live-after-garbage.png")
((held == 0)) || fail "damaged datagrams changed $held pixels"
kill -0 "$demo_pid" || fail "damaged datagrams ended the player"
echo "ok: damaged datagrams change nothing"

# A VMC sender shuts the jaw and turns the head back (Debian's liblo sender).
if command -v oscsend >/dev/null; then
    oscsend 127.0.0.1 "$vmc_port" /VMC/Ext/Blend/Val sf JawOpen 0.0
    oscsend 127.0.0.1 "$vmc_port" /VMC/Ext/Bone/Pos sfffffff Head 0 0 0 0 0 0 1
    oscsend 127.0.0.1 "$vmc_port" /VMC/Ext/Blend/Apply
    shot_changed live-vmc live-turned
    back=$(pixels_differing "$artifacts_dir/live-rest.png" "$artifacts_dir/live-vmc.png")
    ((back < jaw / 4)) || fail "the VMC frame left $back pixels off the rest pose"
    echo "ok: a VMC frame shuts the jaw and turns the head back ($back pixels off the rest pose)"
fi
screenshot_window "$settings" "$artifacts_dir/live-dialog-after.png"

close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
expect_exit_status 0 "closing"
[[ -f "$work_dir/take.csv" && ! -e "$work_dir/take.csv.part" ]] ||
    fail "the take is not in place: $(ls "$work_dir")"
rows=$(($(wc -l <"$work_dir/take.csv") - 1))
((rows >= 200 && rows < 1000)) || fail "the take has $rows rows"
echo "ok: closing puts the take in place ($rows rows)"

(cd "$work_dir" && exec "$build_dir/mirelda-play" take.csv 2>"$work_dir/stderr.txt") &
demo_pid=$!
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "the take does not play: $(cat "$work_dir/stderr.txt")"
wait_for_first_frame "$main" 20 || fail "no frame of the take presented"
close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
expect_exit_status 0 "closing the take"
echo "ok: the take plays"

# A bad port is refused before the window opens, through the error box.
(cd "$work_dir" && exec "$build_dir/mirelda-play" --live --llf-port 0 2>"$work_dir/stderr.txt") &
demo_pid=$!
await_error_box 'llf-port takes a port from 1 to 65535, not "0"' bad-port
