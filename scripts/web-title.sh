#!/usr/bin/env bash
# Draws the web page's title picture: one frame of the production at 800x600
# by the native capture tool (by default the one with its name, at 39.75 s),
# as a JPEG a page loads quickly.
#   web-title.sh RUN_FOLDER OUT.jpg [SECONDS]
# RUN_FOLDER holds vantrel-capture and data/ (the desktop build's run folder);
# the shaders are the source tree's vantrel_data/.
set -euo pipefail
run="$1"
out="$2"
at="${3:-39.75}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$(cd "$(dirname "$0")/.." && pwd)"
run="$(cd "$run" && pwd)"
mkdir -p "$(dirname "$out")" "$work/cwd"
ln -s "$run/data" "$work/cwd/data"
ln -s "$root/vantrel_data" "$work/cwd/vantrel_data"
(cd "$work/cwd" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1 \
  "$run/vantrel-capture" --quiet --at "$at" --size 800x600 --out "$work/frames")
frame="$(find "$work/frames" -name '*.png' | head -n 1)"
if [ -z "$frame" ]; then
  echo "web-title: vantrel-capture wrote no frame for $at s" >&2
  exit 1
fi
ffmpeg -loglevel error -y -i "$frame" -q:v 4 "$out"
