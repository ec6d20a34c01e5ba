#!/usr/bin/env bash
# The demo's command line without a display: --help answers at once on stdout
# and opens nothing; a bad option says what is wrong and exits 2.
set -u
demo=$1/vantrel
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=none timeout 10 "$demo" --help 2> help.err)
[ $? -eq 0 ] || fail "--help did not exit 0"
[ -s help.err ] && fail "--help wrote to stderr: $(cat help.err)"
grep -q -- "--windowed" <<< "$out" || fail "--help printed no usage: $out"

for bad in "--bogus" "--size 640" "--size 640x0" "stray" "--from 7bb" "--from 20 --to 10"; do
  # shellcheck disable=SC2086
  timeout 10 "$demo" $bad > bad.out 2> bad.err
  status=$?
  [ $status -eq 2 ] || fail "'$bad' exited $status, not 2"
  [ -s bad.out ] && fail "'$bad' wrote to stdout"
  grep -q "^vantrel: " bad.err || fail "'$bad' gave no one-line reason: $(cat bad.err)"
  grep -q "Usage:" bad.err || fail "'$bad' printed no usage"
done
rm -f help.err bad.out bad.err
