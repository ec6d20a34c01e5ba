// Inputs of the passes of one chain: the original picture and the one before.
#include "../../include/compat.h"
#include "../../include/params.h"

#define CHAIN_IN_FRAGMENT COMPAT_IN_FRAGMENT, uniform prev_input ORIG, uniform prev_input PREV

sampler2D orig_global;
sampler2D prev_global;

float3 original(float2 uv) { return tex2D(orig_global, uv).rgb; }
float3 previous(float2 uv) { return tex2D(prev_global, uv).rgb; }
