#!/usr/bin/env bash
# The demo behind a sound server: starts a PulseAudio server of its own with
# a null sink (scripts/install-deps.sh --bench installs it), plays a span
# through it, and reports the latency the server gives for the demo's stream
# (pactl, sampled while it plays) beside the correction the demo's clock
# applied (its --stats record). A measurement for `make bench`.
#   tests/bench/pulse_latency.sh RUN_DIR [SECONDS]
set -u
run_dir=$(cd "$1" && pwd)
seconds=${2:-10}
command -v pulseaudio > /dev/null || { echo "pulse_latency: no pulseaudio (scripts/install-deps.sh --bench)" >&2; exit 1; }
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
ln -s "$run_dir/data" "$work/data"
ln -s "$run_dir/vantrel_data" "$work/vantrel_data"
cd "$work"

# A server of our own, apart from any the user runs.
export HOME=$work XDG_RUNTIME_DIR=$work PULSE_RUNTIME_PATH=$work/pulse
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr \
  --load="module-null-sink sink_name=bench_null rate=44100" --load=module-native-protocol-unix 2> server.log &
server=$!
for _ in $(seq 1 50); do pactl info > /dev/null 2>&1 && break; sleep 0.2; done
pactl info > /dev/null 2>&1 || { echo "pulse_latency: the server did not start" >&2; cat server.log >&2; exit 1; }

SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=pulseaudio VANTREL_NO_DIALOGS=1 \
  "$run_dir/vantrel" --from 60 --to $((60 + seconds)) --scale 0.5 --stats stats.json 2> demo.err &
demo=$!
while kill -0 $demo 2>/dev/null; do
  pactl list sink-inputs 2>/dev/null | awk -v pid=$demo '
    /Buffer Latency:/ { buffer = $3 } /Sink Latency:/ { sink = $3 }
    /application.process.id/ { gsub(/"/, "", $3); if ($3 == pid) print buffer, sink }' >> samples.txt
  sleep 0.5
done
wait $demo || { echo "pulse_latency: the demo exited $?" >&2; cat demo.err >&2; exit 1; }
[ -s samples.txt ] || { echo "pulse_latency: the server never listed the demo's stream" >&2; exit 1; }

sort -n -k1 samples.txt | awk '{ b[NR] = $1 } END { printf "server, buffer latency: median %.1f ms over %d samples\n", b[int((NR + 1) / 2)] / 1000, NR }'
sort -n -k2 samples.txt | awk '{ s[NR] = $2 } END { printf "server, sink latency:   median %.1f ms (from %.1f to %.1f ms)\n", s[int((NR + 1) / 2)] / 1000, s[1] / 1000, s[NR] / 1000 }'
awk '{ print $1 + $2 }' samples.txt | sort -n | awk '{ t[NR] = $1 } END { printf "server, stream total:   median %.1f ms\n", t[int((NR + 1) / 2)] / 1000 }'
jq -r '"demo clock: latency applied \(.audioLatencyMs * 10 | round / 10) ms, offset \(.audioOffsetMs) ms, \(.frames | length) frames"' stats.json
