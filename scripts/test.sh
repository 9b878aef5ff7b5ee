#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds both configurations and runs the whole
# suite in each: release, then AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for config in release sanitize; do
    echo "== $config"
    "$root/scripts/build.sh" "$config"
    ctest --test-dir "$root/build/$config" --output-on-failure --timeout 300 -j2
done
