#!/usr/bin/env bash
# Installs what is needed, builds an optimised Zembrel and starts the demo:
# the window on the built-in demo marketplace when there is a display,
# otherwise the headless check of the demo shop, printed as a table.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
# The two programs only: the tests are scripts/test.sh's.
cmake --build --preset release --target zembrel zembrel-check

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/release/src/app/zembrel --demo
fi
exec build/release/src/cli/zembrel-check --demo --format table
