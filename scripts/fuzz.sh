#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for SECONDS (default 60) from
# its seed corpus in tests/fuzz/corpus/. The corpus each grows stays in
# build/fuzz/corpus/TARGET/, its log in build/fuzz/logs/, and any input that
# breaks it in build/fuzz/findings/TARGET/: that one becomes a corpus file
# and a named test. Ends with one line per target: executions and coverage.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: fuzz.sh [SECONDS]" >&2
    exit 2
fi
cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
    echo "fuzz.sh: libFuzzer comes with clang: install clang (apt install clang)" >&2
    exit 2
fi
build=$root/build/fuzz
flags=(-DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLENT_SANITIZE=ON
       -DTARVOLENT_FUZZ=ON -DTARVOLENT_WERROR=ON -DTARVOLENT_BENCH=OFF)
if command -v ccache >/dev/null; then
    flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
targets=(machinejson lspcidump datafiles hexfields driverframe configdecode)
cmake -S "$root" -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

found=0
summary=()
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target" "$build/findings/$target" "$build/logs"
    log=$build/logs/$target.log
    echo "== $target ($seconds s)"
    if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
            -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
            "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" >"$log" 2>&1; then
        found=1
        echo "fuzz.sh: $target found a fault: see $log and $build/findings/$target/" >&2
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
    summary+=("$target: ${runs:-?} executions, ${coverage:-no coverage line}")
done
printf '%s\n' "${summary[@]}"
exit "$found"
