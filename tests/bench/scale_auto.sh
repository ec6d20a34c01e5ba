#!/usr/bin/env bash
# The whole production live under Xvfb with --scale auto: prints each
# timeline entry's scale and frame times from the --stats record and fails
# when an entry's mean frame time misses 30 frames a second. A measurement
# for `make bench`, not a unit test.
#   tests/bench/scale_auto.sh RUN_DIR [STATS.json]
set -u
run_dir=$(cd "$1" && pwd)
keep=${2:-}
target_ms=33.34 # 30 frames a second
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$run_dir/data" "$work/data"
ln -s "$run_dir/vantrel_data" "$work/vantrel_data"
cd "$work"

# The figures are this machine's at this moment: say how busy it was.
echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
unset SDL_VIDEODRIVER
SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1 xvfb-run -a -s "-screen 0 1024x768x24" \
  "$run_dir/vantrel" --scale auto --stats stats.json 2> demo.err
status=$?
if [ $status -ne 0 ] || ! jq -e . stats.json > /dev/null 2>&1; then
  echo "scale_auto: the run exited $status without a stats record" >&2
  cat demo.err >&2
  exit 1
fi
[ -n "$keep" ] && cp stats.json "$keep"

jq -r '.scaleChoices // "no scale choices recorded"' stats.json
printf '%-6s %-6s %7s %9s %9s %9s\n' entry scale frames "mean ms" "p99 ms" "worst ms"
jq -r '.entries[] | [.entry, .scale, .frames, .meanMs, .p99Ms, .worstMs] | @tsv' stats.json |
  while IFS=$'\t' read -r entry scale frames mean p99 worst; do
    printf '%-6s %-6s %7s %9.1f %9.1f %9.1f\n' "$entry" "$scale" "$frames" "$mean" "$p99" "$worst"
  done
jq -r '"renderer: \(.renderer), swap interval \(.swapInterval), \(.fps | . * 10 | round / 10) fps overall"' stats.json

slow=$(jq -r --argjson t "$target_ms" '[.entries[] | select(.frames == 0 or .meanMs > $t) | .entry] | join(" ")' stats.json)
if [ -n "$slow" ]; then
  echo "FAIL: entries below 30 fps: $slow"
  exit 1
fi
echo "PASS: every entry at 30 fps or more on the mean"
