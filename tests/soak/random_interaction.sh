#!/usr/bin/env bash
# Soak: the real program driven at random the way a user can drive it (channel rows, the target
# tree, the slider, keys, drags and the wheel over both windows) for SOAK_SECONDS (600 by
# default). It must not end, and its resident memory must stay flat after the warm-up: VmRSS is
# sampled every 10 s and printed, and the last sample may exceed the first one after the warm-up
# by less than 5 %, and again while the main window is hidden and minimised afterwards.
# SOAK_SEED repeats a run's actions.
source "$(dirname "$0")/../e2e/common.sh" "$1"

duration=${SOAK_SECONDS:-600}
seed=${SOAK_SEED:-$(date +%s)}
sample_interval=10
max_growth_percent=5
# A minute of warm-up, or a third of a short trial run.
warmup=60
((duration < 300)) && warmup=$((duration / 3 / sample_interval * sample_interval))
RANDOM=$seed
echo "soak: $duration s, warm-up $warmup s, seed $seed"

start_demo
main=$(wait_for_window "$MIRELDA_TITLE_PATTERN" 30) || fail "no main window"
settings=$(wait_for_window "$MIRELDA_SETTINGS_PATTERN" 10) || fail "no settings window"
wait_for_first_frame "$main" 20 || fail "no frame presented"

load_dialog_layout "$settings"
[[ -n "${at[thumb]:-}" && -n "${at[row6]:-}" ]] || fail "dialog_probe named no controls"
groups=$(printf '%s\n' "${!at[@]}" | grep -c '^group' || true)
read -r main_x main_y main_w main_h <<<"$(client_rect "$main")"

random_in() { echo $(($1 + RANDOM % ($2 - $1 + 1))); } # lowest highest
# xdotool may race a window that is busy; the liveness check below is what counts.
x() { timeout 5 xdotool "$@" >/dev/null 2>&1 || true; }
# xdotool's --sync waits for the pointer to move, so a move to where it already is would hang.
pointer_x=-1 pointer_y=-1
move_to() {
    [[ "$1" == "$pointer_x" && "$2" == "$pointer_y" ]] && return 0
    x mousemove --sync "$1" "$2"
    pointer_x=$1 pointer_y=$2
}
control() { # name -> screen "x y"
    local cx cy
    read -r cx cy <<<"${at[$1]}"
    echo "$((dialog_x + cx)) $((dialog_y + cy))"
}
click_control() { # name [click args]
    local sx sy
    read -r sx sy <<<"$(control "$1")"
    shift
    move_to "$sx" "$sy"
    x click "$@" 1
}
random_row() { echo "row$(random_in 0 6)"; }

select_channel() { click_control "$(random_row)"; }
pick_target() {
    click_control "group$(random_in 0 $((groups - 1)))"
    x key Right
    for _ in $(seq "$(random_in 1 6)"); do x key Down; done
    click_control "$(random_row)" --repeat 2 --delay 80
}
drag_slider() {
    local fx fy ex ey
    read -r fx fy <<<"$(control thumb)"
    read -r ex ey <<<"$(control sliderEnd)"
    local from to
    from=$(random_in "$fx" "$ex") to=$(random_in $((fx - 20)) $((ex + 20)))
    move_to "$from" "$fy"
    x mousedown 1
    for step in 1 2 3 4; do move_to $((from + (to - from) * step / 4)) "$fy"; done
    x mouseup 1
}
slider_keys() {
    click_control thumb
    local keys=(Left Right Up Down Prior Next Home End)
    for _ in $(seq "$(random_in 1 5)"); do x key "${keys[RANDOM % ${#keys[@]}]}"; done
}
orbit() {
    local px py
    px=$(random_in $((main_x + 50)) $((main_x + main_w - 50)))
    py=$(random_in $((main_y + 50)) $((main_y + main_h - 50)))
    move_to "$px" "$py"
    x mousedown 1
    for _ in $(seq "$(random_in 3 12)"); do
        move_to "$(random_in $((main_x + 5)) $((main_x + main_w - 5)))" \
            "$(random_in $((main_y + 5)) $((main_y + main_h - 5)))"
    done
    x mouseup 1
}
wheel() {
    move_to "$(random_in $((main_x + 20)) $((main_x + main_w - 20)))" \
        "$(random_in $((main_y + 20)) $((main_y + main_h - 20)))"
    x click --repeat "$(random_in 1 4)" --delay 30 $((4 + RANDOM % 2))
}
stray_input() { # right and middle clicks, wheel and keys anywhere in the dialog's controls
    local names=("${!at[@]}") sx sy
    read -r sx sy <<<"$(control "${names[RANDOM % ${#names[@]}]}")"
    move_to $((sx + $(random_in -15 15))) $((sy + $(random_in -6 6)))
    case $((RANDOM % 4)) in
    0) x click 3 ;;
    1) x click 2 ;;
    2) x click $((4 + RANDOM % 2)) ;;
    3) x key Tab space Return Escape ;;
    esac
}
actions=(select_channel select_channel pick_target drag_slider drag_slider slider_keys
    orbit orbit wheel wheel stray_input)

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$demo_pid/status" 2>/dev/null; }
alive_or_fail() {
    kill -0 "$demo_pid" 2>/dev/null && return 0
    wait_for_exit "$demo_pid" 1
    demo_pid=""
    fail "the demo ended during the soak (status $exit_status, action $1): $(cat "$work_dir/stderr.txt")"
}

# Resident memory every 10 s, whatever the actions are doing.
rss_log="$work_dir/rss.txt"
start=$SECONDS
sample_rss() {
    local next=0 rss
    while kill -0 "$demo_pid" 2>/dev/null; do
        rss=$(rss_kb) || true
        [[ -n "$rss" ]] || break
        echo "$((SECONDS - start)) $rss" >>"$rss_log"
        echo "rss t=$((SECONDS - start))s $rss kB"
        next=$((next + sample_interval))
        while ((SECONDS - start < next)); do sleep 0.2; done
    done
}
sample_rss &
sampler=$!

count=0
while ((SECONDS - start < duration)); do
    action=${actions[RANDOM % ${#actions[@]}]}
    began=$SECONDS
    $action
    ((SECONDS - began > 3)) && echo "slow action: $action took $((SECONDS - began)) s"
    count=$((count + 1))
    alive_or_fail "$action"
done
rss=$(rss_kb)
kill "$sampler" 2>/dev/null || true
wait "$sampler" 2>/dev/null || true
echo "$((SECONDS - start)) $rss" >>"$rss_log"
echo "rss t=$((SECONDS - start))s $rss kB (end, after $count actions)"
screenshot_screen "$artifacts_dir/soak-end.png"

# Flat after the warm-up: the last sample against the first one taken after it.
baseline="" peak=0
while read -r t kb; do
    ((t < warmup)) && continue
    [[ -z "$baseline" ]] && baseline=$kb
    ((kb > peak)) && peak=$kb
done <"$rss_log"
[[ -n "$baseline" ]] || fail "no memory sample after the warm-up"
growth_tenths=$(((rss - baseline) * 1000 / baseline))
sign="" && ((growth_tenths < 0)) && sign="-"
printf 'soak: %d actions; RSS after warm-up %d kB, peak %d kB, last %d kB: growth %s%d.%d %%\n' \
    "$count" "$baseline" "$peak" "$rss" "$sign" $((${growth_tenths#-} / 10)) $((${growth_tenths#-} % 10))
((growth_tenths < max_growth_percent * 10)) ||
    fail "resident memory grew by more than $max_growth_percent % after the warm-up"

# Then hidden: unmapped, then minimised, SOAK_HIDDEN_SECONDS (120 by default) each. The demo
# draws nothing then and waits for the window to come back; memory must stay as flat as while
# the window is shown, and once it is back, frames must be too: a wheel step changes the picture.
hidden_seconds=${SOAK_HIDDEN_SECONDS:-120}
hidden_baseline=$(rss_kb)
stay_hidden() { # state
    local until=$((SECONDS + hidden_seconds))
    while ((SECONDS < until)); do
        sleep "$sample_interval"
        alive_or_fail "$1"
        echo "rss $1 $(rss_kb) kB"
    done
}
frames_come_back() { # state
    sleep 1
    shot "soak-$1-back"
    move_to $((main_x + main_w / 2)) $((main_y + main_h / 2))
    x click 5
    shot_changed "soak-$1-step" "soak-$1-back"
    local changed
    changed=$(pixels_differing "$artifacts_dir/soak-$1-back.png" "$artifacts_dir/soak-$1-step.png")
    ((changed > 0)) || fail "$1, then shown again: a wheel step drew nothing"
    x click 4
    echo "soak: $1, then shown again: frames come back ($changed pixels for a wheel step)"
}
x windowunmap --sync "$main"
stay_hidden unmapped
x windowmap --sync "$main"
frames_come_back unmapped
x windowminimize --sync "$main"
stay_hidden minimised
x windowactivate --sync "$main"
frames_come_back minimised
rss=$(rss_kb)
growth_tenths=$(((rss - hidden_baseline) * 1000 / hidden_baseline))
printf 'soak: hidden %d s: RSS %d kB before, %d kB after\n' $((2 * hidden_seconds)) \
    "$hidden_baseline" "$rss"
((growth_tenths < max_growth_percent * 10)) ||
    fail "resident memory grew by more than $max_growth_percent % while the window was hidden"

close_main_window
wait_for_exit "$demo_pid" 20
demo_pid=""
[[ "$exit_status" == 0 ]] || fail "exit status $exit_status after the soak"
echo "ok: soak of $duration s ended cleanly"
