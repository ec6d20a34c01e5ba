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

# expect_refusal NAME.cg TEXT MESSAGE: the tool fails, names file and line, and writes nothing.
expect_refusal() {
  printf '%s' "$2" > "$out/$1"
  if "$shaderc" --gles "$out/refused" "$out/$1" 2> "$out/err"; then
    echo "$1 was accepted"; exit 1
  fi
  grep -qF "$1:$3" "$out/err" || { echo "$1: expected \"$3\", got:"; cat "$out/err"; exit 1; }
  [ ! -e "$out/refused/$1.frag" ] || { echo "$1 left output"; exit 1; }
}
expect_refusal broken.cg $'float4 vsMain(float4 p : POSITION) : POSITION { return p; }\nfloat4 psMain() : COLOR { return undefinedName; }\n' 2:
# WebGL 2 has no 1D textures: refused at build time rather than by the browser.
expect_refusal one_d.cg $'// a ramp\nsampler1D ramp;\nfloat4 vsMain(float4 p : POSITION) : POSITION { return p; }\nfloat4 psMain(float u : TEXCOORD0) : COLOR { return tex1D(ramp, u); }\n' \
  '2: sampler "ramp" is one-dimensional'
