// Whole entries built by macros, for passes that only change the picture.
#ifndef CORPUS_ENTRY_H
#define CORPUS_ENTRY_H
#include "compat.h"

#define DEFINE_PASSTHROUGH_VERTEX                                                                            \
    out_vertex main_vertex(COMPAT_IN_VERTEX, COMPAT_MVP) { COMPAT_VERTEX_BODY; }

#define FRAGMENT_SIGNATURE(extra) float4 main_fragment(COMPAT_IN_FRAGMENT extra) : COLOR
#define NO_EXTRA
#define WITH_LUT , uniform sampler2D lut

#endif
