// Shared by the CRT passes: beam parameters and the vertex stage that
// hands the pass the output pixel and the phosphor column.
#include "../../include/compat.h"

#pragma parameter CRT_BEAM "Beam width" 1.2 0.5 3.0 0.05
#pragma parameter CRT_MASK "Mask strength" 0.3 0.0 1.0 0.05
#pragma parameter CRT_GAMMA "CRT gamma" 2.4 1.8 3.0 0.05
#ifdef PARAMETER_UNIFORM
uniform float CRT_BEAM;
uniform float CRT_MASK;
uniform float CRT_GAMMA;
#else
#define CRT_BEAM 1.2
#define CRT_MASK 0.3
#define CRT_GAMMA 2.4
#endif

struct crt_vertex {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
    float2 pixel : TEXCOORD1;
    int column : TEXCOORD2;
};

#define CRT_IN_FRAGMENT COMPAT_IN_FRAGMENT, float2 pixel : TEXCOORD1, int column : TEXCOORD2

crt_vertex main_vertex(COMPAT_IN_VERTEX, COMPAT_MVP)
{
    crt_vertex OUT;
    OUT.position = mul(modelViewProj, position);
    OUT.texCoord = texCoord;
    OUT.pixel = texCoord * IN.texture_size;
    OUT.column = int(IN.output_size.x) % 3;
    return OUT;
}
