#!/usr/bin/env bash
# Plays the demo from its run directory. Without a display there is nothing to
# show a real-time demo on, so the capture tool renders the whole production
# at 30 frames per second into a video with the music instead.
set -euo pipefail
run_dir=${1:-build/run}
cd "$run_dir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "make run: no display found (DISPLAY is not set); rendering the demo to a video instead." >&2
  ./vantrel-capture --fps 30 --out vantrel.mp4
  echo "make run: the demo is in $(pwd)/vantrel.mp4"
  exit 0
fi
exec ./vantrel
