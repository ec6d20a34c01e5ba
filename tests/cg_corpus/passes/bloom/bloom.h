// Shared by the bloom passes: their parameters, the input of the pass
// before and the original, and a helper sampler global.
#include "../../include/compat.h"
#include "../../include/colour.h"

#pragma parameter BLOOM_THRESHOLD "Bloom threshold" 0.75 0.0 1.0 0.01
#pragma parameter BLOOM_STRENGTH "Bloom strength" 0.6 0.0 2.0 0.05
#pragma parameter BLOOM_RADIUS "Bloom radius (texels)" 1.5 0.5 4.0 0.25
#ifdef PARAMETER_UNIFORM
uniform float BLOOM_THRESHOLD;
uniform float BLOOM_STRENGTH;
uniform float BLOOM_RADIUS;
#else
#define BLOOM_THRESHOLD 0.75
#define BLOOM_STRENGTH 0.6
#define BLOOM_RADIUS 1.5
#endif

#define BLOOM_VERTEX                                                                                         \
    out_vertex main_vertex(COMPAT_IN_VERTEX, COMPAT_MVP) { COMPAT_VERTEX_BODY; }
#define BLOOM_IN_FRAGMENT COMPAT_IN_FRAGMENT, uniform prev_input ORIG

sampler2D source_global;

static const float kBloomWeights[5] = { 0.2270, 0.1945, 0.1216, 0.0540, 0.0162 };

float3 blurAlong(float2 uv, float2 step)
{
    float3 sum = tex2D(source_global, uv).rgb * kBloomWeights[0];
    for (int i = 1; i < 5; ++i)
        sum += (tex2D(source_global, uv + step * i).rgb + tex2D(source_global, uv - step * i).rgb) * kBloomWeights[i];
    return sum;
}
