#!/usr/bin/env bash
# Builds the release preset with the benchmarks and runs them all; writes
# benchmarks/RESULTS.md. Needs curl and python3 (apt-get install curl).
# `run.sh run-time`, `run.sh render-ahead`, `run.sh startup` and `run.sh
# history` run only the measurements of the run time, of redirect rows
# rendered ahead, of the window's start-up or of the history, and replace
# their section of RESULTS.md.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v curl >/dev/null || { echo "curl is needed: apt-get install curl" >&2; exit 1; }
cmake --preset release -DZEMBREL_BUILD_BENCHMARKS=ON >/dev/null
case "${1:-}" in
run-time)
    cmake --build --preset release -j2 --target zembrel-check BenchMarket
    python3 benchmarks/measure.py build/release run-time
    exit ;;
render-ahead)
    cmake --build --preset release -j2 --target zembrel-check BenchMarket
    python3 benchmarks/measure.py build/release render-ahead
    exit ;;
startup)
    cmake --build --preset release -j2 --target StartupTiming
    python3 benchmarks/measure.py build/release startup
    exit ;;
history)
    cmake --build --preset release -j2 --target zembrel-check HistoryTiming
    python3 benchmarks/measure.py build/release history
    exit ;;
esac
cmake --build --preset release -j2 --target zembrel-check BenchMarket ExtractionCost \
    StartupTiming RenderTiming HistoryTiming
python3 benchmarks/measure.py build/release
