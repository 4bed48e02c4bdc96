#!/usr/bin/env bash
# Runs fuzz targets for a fixed time each: run-fuzz.sh BUILD_DIR SECONDS [KIND...]
# KIND is wmf, params, entry or help (all four when none is named). Each target starts from its
# seeds and the committed corpus in fuzz/corpus/<kind>/; the growing corpus stays in
# BUILD_DIR/corpus. With MINIMISE=1 the corpus is then merged down to the inputs that add
# coverage and written back to fuzz/corpus/<kind>/, which the test suite replays. An input that
# crashes or hangs a target is written to tests/data/fuzz/<kind>/, which the test suite replays.
set -uo pipefail

build=${1:?build directory}
seconds=${2:-60}
shift 2 || shift $#
root=$(cd "$(dirname "$0")/.." && pwd)

# target, kind, longest input (empty: libFuzzer's choice), seed folders or files
run() {
    local target=$1 kind=$2 max_len=$3
    shift 3
    local corpus="$build/corpus/$kind" found="$root/tests/data/fuzz/$kind"
    local committed="$root/fuzz/corpus/$kind" log="$build/$target.log"
    local seeds
    mkdir -p "$corpus" "$found" "$committed"
    seeds=$(mktemp -d)
    cp -r "$@" "$seeds"/ 2>/dev/null
    cp "$found"/* "$committed"/* "$seeds"/ 2>/dev/null
    echo "== $target: ${seconds}s"
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=print_stacktrace=1
    export LSAN_OPTIONS=suppressions="$root/fuzz/lsan.supp"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 ${max_len:+-max_len=$max_len} -artifact_prefix="$found/" "$corpus" "$seeds" 2>"$log"; then
        tail -n 40 "$log"
        echo "$target failed: the input is in tests/data/fuzz/$kind/ (log: $log)"
        status=1
    else
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log"
        grep -E '^#[0-9]+' "$log" | tail -n 1
        if [ "${MINIMISE:-0}" = 1 ]; then
            local merged
            merged=$(mktemp -d)
            "$build/fuzz/$target" -merge=1 -timeout=10 "$merged" "$corpus" "$seeds" \
                2>"$build/$target.merge.log" >/dev/null
            rm -f "$committed"/*
            cp "$merged"/* "$committed"/ 2>/dev/null
            echo "$target: $(ls "$committed" | wc -l) inputs, $(du -sk "$committed" | cut -f1) KB in fuzz/corpus/$kind"
            rm -rf "$merged"
        fi
    fi
    rm -rf "$seeds"
}

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=(wmf params entry help)
status=0
for kind in "${wanted[@]}"; do
    case $kind in
    wmf) run fuzz_wmf_player wmf "" "$root"/data/*.wmf ;;
    params) run fuzz_params_file params "" "$root/tests/data/default_PARAMS.TXT" ;;
    entry) run fuzz_entry_reading entry "" "$root"/fuzz/seeds/entry/* ;;
    # The help file is 18 KB; pages of a few KB reach the same parser paths many times faster.
    help) run fuzz_help_document help 4096 "$root/data/modhelp.hlp" ;;
    *) echo "unknown fuzz target kind: $kind" >&2; status=1 ;;
    esac
done
exit $status
