#!/usr/bin/env bash
# The real demo in a real (virtual) X display: it starts, plays, and Escape
# sent through the X server ends it promptly with status 0.
set -u
run_dir=$1
e2e=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$run_dir/data" "$work/data"
ln -s "$run_dir/vantrel_data" "$work/vantrel_data"
cd "$work"

cat > session.sh <<INNER
#!/usr/bin/env bash
source "$e2e/x_session.sh"
start_demo "$run_dir/vantrel"
# Let a few frames play, then press Escape.
sleep 2
end_with_escape
status=\$?
cat demo.err >&2
exit \$status
INNER
chmod +x session.sh
xvfb-run -a -s "-screen 0 1024x768x24" ./session.sh
