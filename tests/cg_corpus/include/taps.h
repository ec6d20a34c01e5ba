// Texel-offset taps through the library's offset overloads.
#ifndef CORPUS_TAPS_H
#define CORPUS_TAPS_H

#define TAP(s, uv, x, y) tex2D(s, uv, int2(x, y))
#define TAP_RGB(s, uv, x, y) TAP(s, uv, x, y).rgb

float3 cross5(sampler2D s, float2 uv)
{
    return TAP_RGB(s, uv, 0, 0) + TAP_RGB(s, uv, 1, 0) + TAP_RGB(s, uv, -1, 0) + TAP_RGB(s, uv, 0, 1) +
           TAP_RGB(s, uv, 0, -1);
}

#endif
