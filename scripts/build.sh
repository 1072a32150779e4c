#!/usr/bin/env bash
# Configures and builds the project in build/ (or $BUILD_DIR).  The help
# files are looked for inside the build tree, so the programs can be tried
# without installing; a system install configures its own tree with the
# default help directory.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} \
    -DSCAN_HELP_DIR="$build/help" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
