#!/usr/bin/env bash
# Installs what is needed, builds Zembrel with warnings as errors and runs
# the whole test suite through ctest, headless. About 7 minutes on two
# cores from a clean tree once the packages are installed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default
ctest --preset default
