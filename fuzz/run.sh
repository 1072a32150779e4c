#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a fixed time, starting
# from its committed seed corpus.  Fails on the first crash, sanitizer report,
# broken invariant, leak, timeout or oversized allocation; the input that
# caused it is left in $build/artifacts.
#
#   fuzz/run.sh [SECONDS]     seconds per target, default 60 (or $FUZZ_SECONDS)
#
# New inputs found go to $build/corpus/<target>, which later runs reuse; the
# seed folders are only read.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${1:-${FUZZ_SECONDS:-60}}

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DSCAN_FUZZ=ON -DSCAN_TESTS=OFF -DSCAN_BENCH=OFF >/dev/null
cmake --build "$build" --target client_fuzz scanhost_fuzz -j"$(nproc)"

# Per target: the largest input, and its limits.  The client's inputs hold
# one reply (up to 600 bytes of driver text and what follows it); the
# server's hold many requests.  No allocation of scanhost may approach 1 MiB:
# it refuses bodies over 64 KiB unread.
declare -A max_len=([client_fuzz]=1100 [scanhost_fuzz]=4096)
declare -A limits=([client_fuzz]="" [scanhost_fuzz]="-malloc_limit_mb=1")

mkdir -p "$build/artifacts"
status=0
for target in client_fuzz scanhost_fuzz; do
    seeds="$top/fuzz/corpus/${target%_fuzz}"
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: $seconds s"
    # shellcheck disable=SC2086
    if ! "$build/bin/$target" "$corpus" "$seeds" \
        -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=10 -rss_limit_mb=1024 ${limits[$target]} \
        -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 \
        >"$build/$target.log" 2>&1; then
        status=1
        echo "$target: FINDING (log: $build/$target.log)"
        grep -E '^(client_fuzz|scanhost_fuzz):|ERROR|SUMMARY|Test unit written' \
            "$build/$target.log" || tail -n 30 "$build/$target.log"
    else
        grep -E '^stat::(number_of_executed_units|new_units_added)|^Done' "$build/$target.log"
    fi
done
exit $status
