#!/usr/bin/env bash
# Runs the slow proof checks, which the normal test command leaves out:
#
#   - memcheck sessions (tests/proof_valgrind): each options program under
#     valgrind through a scripted session of real input; no invalid read or
#     write and no use of uninitialised values;
#   - soaks (tests/proof_soak): each program takes 1,000 Apply and 100 Help
#     presses; every store arrives whole and in order, and resident memory
#     stays within 1 MiB.
#
#     scripts/proof.sh [extra cmake options]
#
# They are built only with SCAN_PROOF=ON, in their own tree (build-proof, or
# $PROOF_BUILD_DIR), and carry the ctest label "slow".  Each test starts its
# own X server, so no display is needed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PROOF_BUILD_DIR:-$top/build-proof}
jobs=$(nproc)
[ "$jobs" -le 2 ] || jobs=2

start=$(date +%s)
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSCAN_PROOF=ON \
    -DSCAN_HELP_DIR="$build/help" "$@" >/dev/null
cmake --build "$build" -j"$jobs" --target proof_memcheck_tests proof_soak_tests
built=$(date +%s)
echo "proof.sh: built in $((built - start)) s"

# One at a time: memcheck and the soaks each keep a core busy, and the
# numbers they print (leaks, memory, time) read better undisturbed.
status=0
ctest --test-dir "$build" -L slow --output-on-failure --timeout 900 || status=$?
# What the checks measured: leaks under memcheck, memory and time of the soaks.
grep -hE '^(amberpane|cobaltpane|indigopane): ' "$build/Testing/Temporary/LastTest.log" || true
echo "proof.sh: checks ran in $(($(date +%s) - built)) s"
exit "$status"
