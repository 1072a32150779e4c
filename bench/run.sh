#!/usr/bin/env bash
# Builds the benchmarks and runs every one of them, printing their figures
# and ratios:
#
#     bench/run.sh [runs]
#
#   channel   one SCScanOpt fetch of a 40-byte record beside a bare write/read
#             pair of the same bytes on a socketpair (Google Benchmark)
#   help      the help viewer loading and showing 10 KB to 10 MB beside a bare
#             and a scrolled text widget (on a virtual display)
#   start-up  each options program under scanhost, from exec until its dialog
#   memory    is mapped, and its peak resident size, beside a bare Motif
#             selection box with the programs' fonts (on its own Xvfb)
#
# RUNS (default 9) is the number of counted runs of the start-up benchmark.
# The build goes to build/ (or $BUILD_DIR), configured as scripts/build.sh
# does, optimised.  The figures depend on the machine's load: run it on an
# idle machine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
runs=${1:-9}
case $runs in
    '' | *[!0-9]* | 0)
        echo "usage: bench/run.sh [runs]" >&2
        exit 2
        ;;
esac

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
    -DSCAN_HELP_DIR="$build/help" -DSCAN_BENCH=ON >/dev/null
targets=(help_bench startup_bench)
if ! grep -q '^benchmark_DIR:' "$build/CMakeCache.txt" ||
    grep -q '^benchmark_DIR:.*NOTFOUND' "$build/CMakeCache.txt"; then
    echo "(Google Benchmark not found: no channel benchmark)"
    channel=no
else
    targets+=(channel_bench)
    channel=yes
fi
cmake --build "$build" --target "${targets[@]}" -j2 >/dev/null
bin=$build/bin

if [ $channel = yes ]; then
    echo "== Channel: SCScanOpt fetch of 40 bytes beside a bare write/read pair"
    out=$("$bin/channel_bench" 2>/dev/null)
    printf '%s\n' "$out" | grep -E '_median|^Benchmark|^-'
    printf '%s\n' "$out" | awk '
        /BM_SCScanOptFetch.*_median/ { fr = $2; fc = $4 }
        /BM_BareWriteRead.*_median/  { br = $2; bc = $4 }
        END {
            if (br > 0 && bc > 0)
                printf "SCScanOpt / bare: %.2fx wall, %.2fx CPU (goal: within 2x)\n",
                       fr / br, fc / bc
        }'
    echo
fi

echo "== Help viewer: load and show a help file"
xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/help_bench"
echo

echo "== Start-up and memory of the options programs"
"$bin/startup_bench" "$runs"
