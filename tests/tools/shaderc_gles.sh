#!/usr/bin/env bash
# vantrel-shaderc --gles on the shipped shaders: every program it writes must
# be valid GLSL ES 3.00 whose two stages link (glslang's reference compiler,
# the same the browser's translator is checked against), with its parameter
# table beside it; a shader that does not compile fails with file:line.
#   shaderc_gles.sh SHADERC FILE.cg...
set -euo pipefail
shaderc=$1
shift
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$shaderc" --gles "$out/site" "$@"
for cg in "$@"; do
  base="$out/site/$(basename "$cg")"
  for stage in vert frag; do
    head -n1 "$base.$stage" | grep -qx '#version 300 es' || { echo "$base.$stage: not GLSL ES 3.00"; exit 1; }
  done
  head -n1 "$base.params" | grep -qx 'vantrel-gles-table 1' || { echo "$base.params: no table header"; exit 1; }
  glslangValidator -l "$base.vert" "$base.frag" > "$out/log" || { cat "$out/log"; exit 1; }
done

printf 'float4 vsMain(float4 p : POSITION) : POSITION { return p; }\nfloat4 psMain() : COLOR { return undefinedName; }\n' \
  > "$out/broken.cg"
if "$shaderc" --gles "$out/broken-site" "$out/broken.cg" 2> "$out/err"; then
  echo "a broken shader was accepted"; exit 1
fi
grep -q "broken.cg:2:" "$out/err" || { echo "no file:line for the broken shader:"; cat "$out/err"; exit 1; }
[ ! -e "$out/broken-site/broken.cg.frag" ] || { echo "a broken shader left output"; exit 1; }
