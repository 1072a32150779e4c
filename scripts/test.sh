#!/usr/bin/env bash
# Builds everything and runs all tests.  In-process widget tests use the
# virtual display that xvfb-run provides; end-to-end tests start their own.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
"$top/scripts/build.sh" "$@"
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
