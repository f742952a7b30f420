#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan and UBSan on), generates their
# seed inputs and runs each target for a while, at most two at a time.
#
#   fuzz/run_fuzzers.sh [SECONDS per target, default 60] [target names...]
#
# Inputs that add coverage are kept in build-fuzz/corpus/<target>/, crashes,
# leaks and time-outs go to build-fuzz/crashes/. Prints the executions done per
# target and exits non-zero when any target found something.
set -euo pipefail

seconds=${1:-60}
shift || true
all_targets=(fuzz_chart_png fuzz_template_bmp fuzz_pair_text fuzz_ini_file)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
jobs=${TIVKA_FUZZ_JOBS:-2}

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$source_dir/build-fuzz

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -G Ninja \
    -DTIVKA_FUZZ=ON -DTIVKA_GUI=OFF -DTIVKA_BENCH=OFF -DTIVKA_SANITIZE=ON >/dev/null
cmake --build "$build" --parallel 2 --target tivka-fuzz-seeds "${targets[@]}"

mkdir -p "$build/corpus" "$build/crashes" "$build/logs"
"$build/bin/tivka-fuzz-seeds" "$build/corpus"

run_one() {
    local target=$1
    mkdir -p "$build/corpus/$target"
    "$build/bin/$target" "$build/corpus/$target" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$target-" >"$build/logs/$target.log" 2>&1
}

declare -A status
declare -A pids
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    echo "running $target for ${seconds}s (log: $build/logs/$target.log)"
    run_one "$target" &
    pids[$target]=$!
done
for target in "${targets[@]}"; do
    if wait "${pids[$target]}"; then status[$target]=0; else status[$target]=$?; fi
done

failed=0
for target in "${targets[@]}"; do
    log=$build/logs/$target.log
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
    corpus=$(find "$build/corpus/$target" -type f | wc -l)
    if [ "${status[$target]}" -eq 0 ]; then
        echo "$target: ${runs:-?} executions, corpus $corpus inputs, no findings"
    else
        failed=1
        echo "$target: FINDING after ${runs:-?} executions (exit ${status[$target]}); see $log"
        grep -E 'ERROR: |SUMMARY: |Test unit written' "$log" | head -5 | sed 's/^/    /'
    fi
done
exit $failed
