// GLSL spellings for shaders ported from GLSL by hand.
#ifndef CORPUS_GLSLISH_H
#define CORPUS_GLSLISH_H

#define vec2 float2
#define vec3 float3
#define vec4 float4
#define mat3 float3x3
#define texture2D(s, uv) tex2D(s, uv)
#define mix lerp
#define fract frac
#define glsl_mod(x, y) ((x) - (y) * floor((x) / (y)))

#endif
