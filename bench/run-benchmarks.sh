#!/bin/sh
# Runs the speed benchmarks as the user gets them: the windows under an X server
# (Xvfb, started here on a free display and stopped at the end) and offscreen, the
# adapter snapshot in a network namespace of its own (root), the store's open.
# Usage: run-benchmarks.sh BENCH_DIR [quick]
#   BENCH_DIR  the build's bench folder (build/bench); quick: the ratios without the
#              growth series. Every ratio is printed on a line of its own beginning
#              "RATIO", every growth step on one beginning "GROWTH"; the summary at
#              the end repeats them.
set -u
bench=${1:?usage: run-benchmarks.sh BENCH_DIR [quick]}
quick=${2:-}
log=$(mktemp /tmp/orvantis-bench-XXXXXX)
trap 'rm -f "$log"; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null' EXIT

gui_filter=
[ "$quick" = quick ] && gui_filter=--benchmark_filter=Vs\|PeakMemory

run() { # NAME, then the command
    name=$1
    shift
    echo "== $name"
    "$@" 2>&1 | tee -a "$log"
}

if command -v Xvfb >/dev/null 2>&1; then
    exec 3>&1
    displayfile=$(mktemp /tmp/orvantis-xvfb-XXXXXX)
    Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$displayfile" >/dev/null 2>&1 &
    xvfb=$!
    for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
        [ -s "$displayfile" ] && break
        sleep 0.25
    done
    display=":$(cat "$displayfile")"
    rm -f "$displayfile"
    if [ "$display" = ":" ]; then
        echo "SKIPPED under Xvfb: Xvfb did not start"
    else
        run "tree load, Xvfb" env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$bench/ipsettree_bench" $gui_filter
        run "start-up, Xvfb" env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$bench/startup_bench" $gui_filter
    fi
else
    echo "SKIPPED under Xvfb: Xvfb is not installed (Debian package xvfb)" | tee -a "$log"
fi
run "tree load, offscreen" env QT_QPA_PLATFORM=offscreen "$bench/ipsettree_bench" $gui_filter
run "start-up, offscreen" env QT_QPA_PLATFORM=offscreen "$bench/startup_bench" $gui_filter
run "adapter snapshot" "$bench/snapshot_bench" --benchmark_filter=40
[ "$quick" = quick ] || run "store" "$bench/store_bench" --benchmark_filter=Growth

echo
echo "== summary"
grep -E '^(RATIO|GROWTH|SKIPPED)|error_message|ERROR' "$log"
! grep -q 'NOT MET' "$log"
