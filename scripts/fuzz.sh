#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
#   scripts/fuzz.sh [seconds per target, default 10] [target name...]
# Seeds come from tests/data/fuzz/<name>/; new corpus entries go to build/fuzz/corpus/<name>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DQZ_BUILD_FUZZ=ON -DQZ_BUILD_TESTS=OFF \
    -DQZ_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in tests/fuzz/fuzz_*.cpp; do
        [[ -e "$source" ]] || continue
        targets+=("$(basename "$source" .cpp)")
    done
fi
((${#targets[@]})) || { echo "no fuzz targets"; exit 0; }
cmake --build build/fuzz -j"$(nproc)" --target "${targets[@]}"

# Seconds one input may take before it counts as a hang: short enough to catch
# an input that makes the program slow (a JPEG among the picture seeds took
# seconds before its scans were limited), with room for a reader's honest work.
timeout_of() {
    case $1 in
        fuzz_rtf) echo 3 ;;
        *) echo 1 ;;
    esac
}

export QT_QPA_PLATFORM=offscreen
# Leaks inside system libraries are not the targets' to fix.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=tests/data/fuzz/$name
    [[ -d "$seeds" ]] || seeds=
    echo "== $target for ${seconds}s"
    log=build/fuzz/$name.log
    status=0
    build/fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -max_len=65536 -timeout="$(timeout_of "$target")" \
        -rss_limit_mb=2048 -artifact_prefix=build/fuzz/"$name"- "$corpus" ${seeds:+"$seeds"} \
        >"$log" 2>&1 || status=$?
    grep -E 'DONE|==[0-9]+==ERROR|SUMMARY' "$log" || true
    if ((status != 0)); then
        echo "$target found a crash or a hang (log: $log)"
        exit 1
    fi
done
