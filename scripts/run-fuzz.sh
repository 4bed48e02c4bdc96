#!/usr/bin/env bash
# Runs each fuzz target for a fixed time on its seed corpus: run-fuzz.sh BUILD_DIR SECONDS
# The growing corpus stays in BUILD_DIR/corpus; an input that crashes or hangs a target is
# written to tests/data/fuzz/<kind>/, where the normal test suite replays it.
set -uo pipefail

build=${1:?build directory}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)

# target, regression folder, seed folders or files
run() {
    local target=$1 kind=$2
    shift 2
    local corpus="$build/corpus/$kind" found="$root/tests/data/fuzz/$kind"
    local seeds
    mkdir -p "$corpus" "$found"
    seeds=$(mktemp -d)
    cp -r "$@" "$seeds"/ 2>/dev/null
    cp "$found"/* "$seeds"/ 2>/dev/null
    echo "== $target: ${seconds}s"
    if ! ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=print_stacktrace=1 \
        LSAN_OPTIONS=suppressions="$root/fuzz/lsan.supp" \
        "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$found/" "$corpus" "$seeds" 2>"$build/$target.log"; then
        tail -n 40 "$build/$target.log"
        echo "$target failed: the input is in tests/data/fuzz/$kind/ (log: $build/$target.log)"
        status=1
    else
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$build/$target.log"
    fi
    rm -rf "$seeds"
}

status=0
run fuzz_wmf_player wmf "$root"/data/*.wmf
run fuzz_params_file params "$root/tests/data/default_PARAMS.TXT"
run fuzz_entry_reading entry "$root"/fuzz/seeds/entry/*
exit $status
