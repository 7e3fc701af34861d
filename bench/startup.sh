#!/usr/bin/env bash
# Start-up time and peak memory of the installed program, beside a minimal Qt
# program that shows one window, both under the same Xvfb in the same run.
#   bench/startup.sh [STAGE_PREFIX] [RUNS]
# STAGE_PREFIX is where cmake --install put the program (default: build/release/stage).
# The time runs from the start of the process until its window is visible (the
# main window shows only after the last project has been composed).
set -euo pipefail
cd "$(dirname "$0")/.."
stage=$(readlink -f "${1:-build/release/stage}")
runs=${2:-7}
work=$(mktemp -d /tmp/qzlayer-bench.XXXXXX)
source scripts/xvfb.sh
trap 'stop_xvfb; rm -rf "$work"' EXIT

g++ -O2 -std=c++20 -fPIC bench/startup/minimal.cpp -o "$work/minimal" \
    $(pkg-config --cflags --libs Qt6Widgets)

start_xvfb "$work"
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8

# Prints "milliseconds peak-KiB" for one start of a program.
measure() {
    local title=$1 dir=$2 program=$3
    export HOME=$work/home-$RANDOM
    mkdir -p "$HOME"
    local start end pid peak=0
    start=$(date +%s%N)
    (cd "$dir" && exec "$program") >"$work/program.log" 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "$program ended before showing its window:" >&2
            cat "$work/program.log" >&2
            exit 1
        fi
        sleep 0.005
    done
    end=$(date +%s%N)
    sleep 0.3 # let painting finish before the peak is read
    peak=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\).*/\1/p' /proc/$pid/status)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    echo "$(((end - start) / 1000000)) $peak"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for _ in $(seq "$runs"); do
    measure '^minimal - ready$' "$work" "$work/minimal" >>"$work/minimal.txt"
    measure '^qzLayer - version' "$stage/lib/qzLayer" ./qzLayer >>"$work/qzlayer.txt"
done

min_ms=$(cut -d' ' -f1 "$work/minimal.txt" | median)
min_kb=$(cut -d' ' -f2 "$work/minimal.txt" | median)
qz_ms=$(cut -d' ' -f1 "$work/qzlayer.txt" | median)
qz_kb=$(cut -d' ' -f2 "$work/qzlayer.txt" | median)
echo "runs: $runs each (median)"
echo "minimal Qt window: ${min_ms} ms, peak ${min_kb} KiB"
echo "qzLayer:           ${qz_ms} ms, peak ${qz_kb} KiB (default project composed)"
awk -v a="$qz_ms" -v b="$min_ms" -v c="$qz_kb" -v d="$min_kb" \
    'BEGIN {printf "ratio: time %.2f (target <= 1.5), memory %.2f (target <= 1.5)\n", a/b, c/d}'
