#!/usr/bin/env bash
# Plays the demo from its run directory. Without a display there is nothing to
# show a real-time demo on, so say so instead of failing obscurely.
set -euo pipefail
run_dir=${1:-build/run}
cd "$run_dir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display found (DISPLAY is not set)." >&2
  echo "The demo needs a screen; run it under X (or xvfb-run) to play it." >&2
  exit 1
fi
exec ./vantrel
