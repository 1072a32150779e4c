#!/usr/bin/env bash
# Builds the whole project with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-asan/ (or $BUILD_DIR) and runs every test there, like
# scripts/test.sh.  Any invalid memory access, undefined behaviour or leak in
# a test process or in a program it starts fails that test.
#
#   scripts/sanitize.sh [cmake options...]
#
# Leaks that are deliberate or the toolkit's own are listed, each with its
# reason, in scripts/lsan.supp.  GCC (the default compiler) warns falsely
# about bounds under ASan instrumentation, so this build does not turn
# warnings into errors: the ordinary CI build checks the warnings.  Pass
# -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang to use clang.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$top/build-asan}

# Options reach every process the tests start, the programs under scanhost
# included.  Undefined behaviour stops the process (the build passes
# -fno-sanitize-recover), with its stack.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

"$top/scripts/build.sh" -DSCAN_SANITIZE=ON -DSCAN_WERROR=OFF "$@"
# -noreset: Xvfb would otherwise reset when its last client leaves, and a
# test connecting during the reset could not open the display.
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 600
