#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds, and starts the program. Arguments go to
# tarvolent (for example --machine builtin). Without a display it runs under
# a virtual one. A user who cannot reach this machine's hardware gets the
# builtin simulated workstation instead, and is told so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Where the program looks for the system service.
system_socket=${BOREALIX_SYSTEM_DIR:-/run/borealix}/Borealix

chooses_machine() {
    local argument
    for argument in "$@"; do
        case "$argument" in --machine | --machine=*) return 0 ;; esac
    done
    return 1
}

# Root reaches it directly; anyone else through the system service's socket,
# which only its group may open.
reaches_hardware() {
    [ "$(id -u)" -eq 0 ] || { [ -S "$system_socket" ] && [ -w "$system_socket" ]; }
}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
program="$root/build/release/bin/tarvolent"
if ! chooses_machine "$@" && ! reaches_hardware; then
    echo "run.sh: this user may not reach this machine's hardware (not root, and no system" \
         "socket $system_socket it may open): starting on the builtin simulated workstation." \
         "See \"Installing\" in README.md." >&2
    set -- --machine builtin "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
