#!/usr/bin/env bash
# Installs what is needed, builds Zembrel with warnings as errors and runs
# the whole test suite through ctest (headless); then runs the suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and gives every
# fuzz target a short smoke run (FUZZ_SECONDS each, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
