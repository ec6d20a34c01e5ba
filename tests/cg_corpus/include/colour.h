// Colour helpers shared by the grading shaders.
#ifndef CORPUS_COLOUR_H
#define CORPUS_COLOUR_H

static const float3 kLumaWeights = float3(0.2126, 0.7152, 0.0722);

float luma(float3 c) { return dot(c, kLumaWeights); }
float3 toLinear(float3 c) { return pow(saturate(c), 2.2); }
float3 toGamma(float3 c) { return pow(saturate(c), 1.0 / 2.2); }

float3 rgbToHsv(float3 c)
{
    float4 k = float4(0.0, -1.0 / 3.0, 2.0 / 3.0, -1.0);
    float4 p = c.g < c.b ? float4(c.bg, k.wz) : float4(c.gb, k.xy);
    float4 q = c.r < p.x ? float4(p.xyw, c.r) : float4(c.r, p.yzx);
    float d = q.x - min(q.w, q.y);
    return float3(abs(q.z + (q.w - q.y) / (6.0 * d + 1e-10)), d / (q.x + 1e-10), q.x);
}

float3 hsvToRgb(float3 c)
{
    float3 p = abs(frac(c.xxx + float3(1.0, 2.0 / 3.0, 1.0 / 3.0)) * 6.0 - 3.0);
    return c.z * lerp(float3(1, 1, 1), saturate(p - 1.0), c.y);
}

#endif
