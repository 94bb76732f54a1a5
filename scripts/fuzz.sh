#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz preset) and runs each one for SECONDS
# (default 60) at the lowest CPU priority. Each target works on a scratch
# corpus under build/fuzz/corpus, seeded from fuzz/corpus and kept between
# runs; findings and logs go to build/fuzz/findings. Exits non-zero when any
# target finds a crash, a sanitizer report or a broken invariant, or when the
# sanitizer's memory grows with the executions.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]   (default: every target)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_page_search fuzz_friend_links fuzz_codepage fuzz_analysis_run
             fuzz_serialised_body fuzz_http_head)
fi

bash scripts/install-deps.sh --deep
cmake --preset fuzz
nice -n 19 cmake --build --preset fuzz -j2

passed=0
failed=0
# With two frames per stack a target has a few hundred call sites of
# allocations; a stack depot past this many is filled by every execution.
max_stacks=10000
for target in "${targets[@]}"; do
    corpus=build/fuzz/corpus/$target
    findings=build/fuzz/findings/$target
    mkdir -p "$corpus" "$findings"
    cp -n fuzz/corpus/"$target"/* "$corpus"/
    log=$findings/last-run.log
    echo "fuzz: $target for ${seconds}s"
    # The sanitizer's statistics at exit give the size of its stack depot,
    # which must not grow with the executions (fuzz/SanitizerOptions.cpp).
    if ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}atexit=1:print_stats=1" \
        nice -n 19 build/fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings"/ \
        "$corpus" >"$log" 2>&1; then
        executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        stacks=$(sed -n 's/^Stats: StackDepot: \([0-9]*\) ids.*/\1/p' "$log")
        if [ "${stacks:-0}" -le "$max_stacks" ]; then
            echo "fuzz: $target passed: $executions executions, $(ls "$corpus" | wc -l) corpus files"
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
            echo "fuzz: $target FAILED: the sanitizer stored $stacks allocation stacks" \
                "(at most $max_stacks), its memory grows with every execution"
        fi
    else
        failed=$((failed + 1))
        echo "fuzz: $target FAILED, see $log"
        grep -E 'invariant failed|ERROR:|SUMMARY:|Test unit written' "$log" || tail -n 20 "$log"
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
