// The runtime's input struct and the entry parameter lists built from it.
#ifndef CORPUS_COMPAT_H
#define CORPUS_COMPAT_H

struct input {
    float2 video_size;
    float2 texture_size;
    float2 output_size;
    float frame_count;
    sampler2D texture;
};

struct prev_input {
    float2 texture_size;
    sampler2D texture;
};

struct out_vertex {
    float4 position : POSITION;
    float2 texCoord : TEXCOORD0;
};

#define COMPAT_IN_VERTEX uniform input IN, float4 position : POSITION, float2 texCoord : TEXCOORD0
#define COMPAT_IN_FRAGMENT uniform input IN, float2 texCoord : TEXCOORD0
#define COMPAT_MVP uniform float4x4 modelViewProj
#define COMPAT_TEXEL(size) (1.0 / (size))
#define COMPAT_SAMPLE(s, uv) tex2D(s, uv)

#define COMPAT_VERTEX_BODY                                                                                   \
    out_vertex OUT;                                                                                          \
    OUT.position = mul(modelViewProj, position);                                                             \
    OUT.texCoord = texCoord;                                                                                 \
    return OUT

#endif
