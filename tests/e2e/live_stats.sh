#!/usr/bin/env bash
# The live stats file is written however a run ends: at the end of its span,
# and when the X server goes away under a run held open by --dev. Each time it
# must be valid JSON whose per-entry frame counts add up to the frames listed.
set -u
run_dir=$1
work=$(mktemp -d)
xpid=
cleanup() { [ -n "$xpid" ] && kill "$xpid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
ln -s "$run_dir/data" "$work/data"
ln -s "$run_dir/vantrel_data" "$work/vantrel_data"
cd "$work"
export SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1
fail() { echo "FAIL: $*" >&2; ls -l >&2; [ -f demo.err ] && cat demo.err >&2; exit 1; }

check_stats() { # FILE WHAT
  jq -e . "$1" > /dev/null 2>&1 || fail "$2: $1 is missing or not JSON"
  local counts
  counts=$(jq -r '[(.frames | length), .all.frames, ([.entries[].frames] | add) + .noEntry.frames] | @tsv' "$1")
  read -r listed all summed <<< "$counts"
  [ "$listed" -gt 0 ] || fail "$2: no frames recorded"
  [ "$listed" = "$all" ] && [ "$listed" = "$summed" ] ||
    fail "$2: $listed frames listed, $all counted, $summed in the entries"
}

play_span() {
  SDL_VIDEODRIVER=offscreen timeout 120 "$run_dir/vantrel" --from 60 --to 61 --stats span.json 2> demo.err ||
    fail "the span run exited $?"
}
play_span
# A signal from outside the test stops a run while it loads, and it says so:
# that is no fault of the stats file, so the span is played once more.
if grep -q "stopped while loading" demo.err; then
  echo "note: $(cat demo.err); playing the span again" >&2
  play_span
fi
check_stats span.json "end of the span"

# Our own server, so that it can be killed while the demo still draws.
unset SDL_VIDEODRIVER
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2> /dev/null & echo "pid $!")
read -r -t 30 _ xpid <&3 || fail "Xvfb did not start"
read -r -t 30 display <&3 || fail "Xvfb gave no display number"
export DISPLAY=:$display
"$run_dir/vantrel" --dev --scale auto --from 60 --to 60.5 --stats lost.json 2> demo.err &
demo=$!
# --dev says the scales chosen as the first frame comes; then it plays past
# the span's end and holds the last moment on screen.
for _ in $(seq 1 300); do
  grep -q "scale auto" demo.err && break
  kill -0 $demo 2>/dev/null || fail "the demo ended before it played"
  sleep 0.5
done
grep -q "scale auto" demo.err || fail "the demo did not start playing within 150 s"
sleep 2
kill "$xpid"
xpid=
for _ in $(seq 1 100); do
  kill -0 $demo 2>/dev/null || break
  sleep 0.1
done
kill -0 $demo 2>/dev/null && { kill -9 $demo; fail "the demo outlived its display by 10 s"; }
check_stats lost.json "lost display"
exit 0
