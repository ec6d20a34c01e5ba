// Nine-tap Gaussian weights shared by the horizontal and vertical passes.
#include "../../include/compat.h"

static const float kGauss[9] = { 0.0162, 0.0540, 0.1216, 0.1945, 0.2270, 0.1945, 0.1216, 0.0540, 0.0162 };

#define BLUR_PASS(direction)                                                                                 \
    float4 main_fragment(COMPAT_IN_FRAGMENT) : COLOR                                                         \
    {                                                                                                        \
        float4 sum = 0;                                                                                      \
        for (int i = 0; i < 9; ++i)                                                                          \
            sum += kGauss[i] * tex2D(IN.texture, texCoord + (i - 4) * (direction) / IN.texture_size);        \
        return sum;                                                                                          \
    }
