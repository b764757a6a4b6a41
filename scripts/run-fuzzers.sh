#!/usr/bin/env bash
# Runs each libFuzzer target of a fuzz build for a bounded time, from its seed corpus and every
# input that once broke a reader, and prints what it managed. A finding fails the run and leaves
# its input under <build>/fuzz-work/<target>/artifacts/; once fixed, it belongs in
# tests/fuzz/regressions/<corpus>/ so the normal suite keeps replaying it.
# Usage: scripts/run-fuzzers.sh <fuzz build dir> [seconds per target, default 60]
# The two datagram parsers are small and fast: they get at most live_seconds (30) each.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "$1" && pwd)
seconds=${2:-60}
live_seconds=$((seconds < 30 ? seconds : 30))
status=0

run_fuzzer() { # target corpus [libFuzzer options]
    local target=$1 corpus=$2 seconds=${fuzz_seconds:-$seconds}
    shift 2
    local work="$build_dir/fuzz-work/$target"
    local corpora=("$work/corpus" "$build_dir/tests/fuzz/seeds/$corpus")
    # Git keeps no empty directory: a reader nothing has broken yet has none.
    [[ -d "$source_dir/tests/fuzz/regressions/$corpus" ]] &&
        corpora+=("$source_dir/tests/fuzz/regressions/$corpus")
    mkdir -p "$work/corpus" "$work/artifacts"
    if "$build_dir/tests/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$@" \
        "${corpora[@]}" >"$work/log.txt" 2>&1; then
        local runs rate
        runs=$(awk '/^stat::number_of_executed_units:/ { print $2 }' "$work/log.txt")
        rate=$(awk '/^stat::average_exec_per_sec:/ { print $2 }' "$work/log.txt")
        echo "fuzz $target: $runs executions in $seconds s ($rate per second), no finding"
    else
        echo "fuzz $target: FINDING (log: $work/log.txt)" >&2
        grep -E -A 30 '^==[0-9]+==ERROR|terminate called|Test unit written' "$work/log.txt" >&2 || tail -n 40 "$work/log.txt" >&2
        status=1
    fi
}

run_fuzzer mesh_file mesh
run_fuzzer morph_group_file groups -dict="$source_dir/tests/fuzz/morph_groups.dict"
run_fuzzer gltf_import gltf -dict="$source_dir/tests/fuzz/gltf.dict"
run_fuzzer recording recordings
fuzz_seconds=$live_seconds run_fuzzer live_link_face live_link_face -max_len=2048
fuzz_seconds=$live_seconds run_fuzzer vmc vmc -max_len=4096
exit $status
