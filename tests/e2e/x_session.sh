# Sourced by the scripts that drive the real demo inside an X server.
#   start_demo PROGRAM [OPTIONS...]   # starts it, waits for its window, focuses it ($demo, $win)
#   end_with_escape                   # presses Escape; fails unless it ends within 10 s
# The demo's stderr goes to demo.err in the current directory.

start_demo() {
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy VANTREL_NO_DIALOGS=1
  "$@" 2> demo.err &
  demo=$!
  if ! timeout 120 xdotool search --sync --name "Frontend Window" > /dev/null; then
    echo "the demo window never appeared" >&2; kill $demo; exit 1
  fi
  win=$(xdotool search --name "Frontend Window" | head -1)
  xdotool windowfocus --sync "$win" 2>/dev/null
}

end_with_escape() {
  xdotool key Escape
  for _ in $(seq 1 100); do
    kill -0 $demo 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $demo 2>/dev/null; then
    echo "the demo did not end within 10 s of Escape" >&2; kill -9 $demo; exit 1
  fi
  wait $demo
}
