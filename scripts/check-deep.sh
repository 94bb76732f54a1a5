#!/usr/bin/env bash
# The deeper checks, after scripts/test.sh: the whole test suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (asan preset), then a
# smoke run of every fuzz target (FUZZ_SECONDS each, default 60). About 15
# minutes on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --deep
cmake --preset asan
cmake --build --preset asan
ctest --preset asan

bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
