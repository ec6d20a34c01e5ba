#!/usr/bin/env bash
# The real demo in a real (virtual) X display: it starts, plays, and Escape
# sent through the X server ends it promptly with status 0.
set -u
run_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$run_dir/data" "$work/data"
ln -s "$run_dir/vantrel_data" "$work/vantrel_data"
cd "$work"

cat > session.sh <<'INNER'
#!/usr/bin/env bash
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1
"$1" 2> demo.err &
demo=$!
# Wait for the window, let a few frames play, then press Escape.
if ! timeout 120 xdotool search --sync --name "Frontend Window" > /dev/null; then
  echo "the demo window never appeared" >&2; kill $demo; exit 1
fi
sleep 2
win=$(xdotool search --name "Frontend Window" | head -1)
xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key Escape
for i in $(seq 1 100); do
  kill -0 $demo 2>/dev/null || break
  sleep 0.1
done
if kill -0 $demo 2>/dev/null; then
  echo "the demo did not end within 10 s of Escape" >&2; kill -9 $demo; exit 1
fi
wait $demo
status=$?
cat demo.err >&2
exit $status
INNER
chmod +x session.sh
xvfb-run -a -s "-screen 0 1024x768x24" ./session.sh "$run_dir/vantrel"
