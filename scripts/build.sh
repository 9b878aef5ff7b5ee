#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds one configuration: release (default) or sanitize.
# Warnings are errors here, as in CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
config=${1:-release}
case "$config" in
    release)  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOLENT_SANITIZE=OFF) ;;
    sanitize) flags=(-DCMAKE_BUILD_TYPE=Debug -DTARVOLENT_SANITIZE=ON) ;;
    *) echo "usage: build.sh [release|sanitize]" >&2; exit 2 ;;
esac
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then
    flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$root/build/$config" -G Ninja -DTARVOLENT_WERROR=ON "${flags[@]}" >/dev/null
cmake --build "$root/build/$config"
