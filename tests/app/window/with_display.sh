#!/usr/bin/env bash
# Runs a command on the display there is, or on a virtual one when there is none.
set -euo pipefail
if [[ -n "${DISPLAY:-}" ]]; then
    exec "$@"
fi
if command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
fi
echo "no display, and xvfb-run (package xvfb) is not installed" >&2
exit 1
