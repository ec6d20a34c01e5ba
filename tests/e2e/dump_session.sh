#!/usr/bin/env bash
# Inside an X server: starts the demo with the given options, holds F10 from
# before its first frame until four frame dumps are written, then ends it with
# Escape. Leaves dump*.png and demo.err in the current directory.
#   xvfb-run -a -s "-screen 0 1024x768x24" dump_session.sh PROGRAM [OPTIONS...]
set -u
source "$(dirname "$0")/x_session.sh"
start_demo "$@"
xdotool keydown F10
for _ in $(seq 1 1200); do
  [ -f dump3.png ] && break
  kill -0 $demo 2>/dev/null || break
  sleep 0.1
done
xdotool keyup F10
end_with_escape
