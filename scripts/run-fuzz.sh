#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a number of seconds each, one
# after the other, on its corpus: the seeds vantrel-assets writes (for the
# shader targets, the project's shaders) plus what earlier runs kept.
#
#   scripts/run-fuzz.sh BUILD_DIR SECONDS
#
# Per target: BUILD_DIR/fuzz-corpus/NAME (grows between runs), a log in
# BUILD_DIR/fuzz-logs/NAME.log, and any crashing input in BUILD_DIR/fuzz-findings/.
# Ends with status 1 when a target found something.
set -uo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR SECONDS}
seconds=${2:?usage: run-fuzz.sh BUILD_DIR SECONDS}
root="$(cd "$(dirname "$0")/.." && pwd)"
seeds="$build/fuzz-seeds"

"$build/run/vantrel-assets" --corpus "$seeds" >/dev/null || exit 1
mkdir -p "$seeds/cg_compile" "$build/fuzz-logs" "$build/fuzz-findings"
cp "$root"/vantrel_data/*.cg "$seeds/cg_compile/" 2>/dev/null

failed=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=${target##*/fuzz_}
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus" "$seeds/$name"
  log="$build/fuzz-logs/$name.log"
  # Inputs up to 64 KiB; one input may take 10 s and 2 GiB before it counts as a finding.
  "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-findings/$name-" "$corpus" "$seeds/$name" >"$log" 2>&1
  status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  if [ $status -eq 0 ]; then
    echo "fuzz_$name: ${runs:-?} inputs in ${seconds} s, no findings"
  else
    echo "fuzz_$name: FINDING after ${runs:-?} inputs (status $status), see $log"
    failed=1
  fi
done
exit $failed
