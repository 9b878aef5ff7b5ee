#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. Arguments go to
# tarvolent (for example --machine builtin). Without a display it runs under
# a virtual one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
program="$root/build/release/bin/tarvolent"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
