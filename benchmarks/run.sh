#!/usr/bin/env bash
# Builds the release preset with the benchmarks and runs them all; writes
# benchmarks/RESULTS.md. Needs curl and python3 (apt-get install curl).
# `run.sh render-ahead` runs only the measurements of redirect rows rendered
# ahead and replaces their section of RESULTS.md.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v curl >/dev/null || { echo "curl is needed: apt-get install curl" >&2; exit 1; }
cmake --preset release -DZEMBREL_BUILD_BENCHMARKS=ON >/dev/null
if [[ "${1:-}" == render-ahead ]]; then
    cmake --build --preset release -j2 --target zembrel-check BenchMarket
    python3 benchmarks/measure.py build/release render-ahead
    exit
fi
cmake --build --preset release -j2 --target zembrel-check BenchMarket ExtractionCost \
    StartupTiming RenderTiming
python3 benchmarks/measure.py build/release
