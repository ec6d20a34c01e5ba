// Wrappers over every Cg texture lookup, one per overload, so that passes
// can switch lookups by name. Each forwards to the library function.
#ifndef CORPUS_TEXWRAP_H
#define CORPUS_TEXWRAP_H

float4 w_tex1D(sampler1D s, float t) { return tex1D(s, t); }
float4 w_tex1D(sampler1D s, float t, float dx, float dy) { return tex1D(s, t, dx, dy); }
float4 w_tex1D(sampler1D s, float2 t) { return tex1D(s, t); }
float4 w_tex1D(sampler1D s, float2 t, float dx, float dy) { return tex1D(s, t, dx, dy); }
float4 w_tex1D(sampler1D s, float t, int off) { return tex1D(s, t, off); }
float4 w_tex1D(sampler1D s, float t, float dx, float dy, int off) { return tex1D(s, t, dx, dy, off); }
float4 w_tex1D(sampler1D s, float2 t, int off) { return tex1D(s, t, off); }
float4 w_tex1D(sampler1D s, float2 t, float dx, float dy, int off) { return tex1D(s, t, dx, dy, off); }
float4 w_tex1Dproj(sampler1D s, float2 t) { return tex1Dproj(s, t); }
float4 w_tex1Dproj(sampler1D s, float2 t, int off) { return tex1Dproj(s, t, off); }
float4 w_tex1Dproj(sampler1D s, float3 t) { return tex1Dproj(s, t); }
float4 w_tex1Dproj(sampler1D s, float3 t, int off) { return tex1Dproj(s, t, off); }
float4 w_tex1Dlod(sampler1D s, float4 t) { return tex1Dlod(s, t); }
float4 w_tex1Dlod(sampler1D s, float4 t, int off) { return tex1Dlod(s, t, off); }
float4 w_tex1Dbias(sampler1D s, float4 t) { return tex1Dbias(s, t); }
float4 w_tex1Dbias(sampler1D s, float4 t, int off) { return tex1Dbias(s, t, off); }
float4 w_tex1Dgrad(sampler1D s, float t, float dx, float dy) { return tex1Dgrad(s, t, dx, dy); }
float4 w_tex1Dgrad(sampler1D s, float t, float dx, float dy, int off) { return tex1Dgrad(s, t, dx, dy, off); }
float4 w_tex1Dgrad(sampler1D s, float2 t, float dx, float dy) { return tex1Dgrad(s, t, dx, dy); }
float4 w_tex1Dgrad(sampler1D s, float2 t, float dx, float dy, int off) { return tex1Dgrad(s, t, dx, dy, off); }
float4 w_tex1Dfetch(sampler1D s, int4 t) { return tex1Dfetch(s, t); }
float4 w_tex1Dfetch(sampler1D s, int4 t, int off) { return tex1Dfetch(s, t, off); }
int3 w_tex1Dsize(sampler1D s, int lod) { return tex1Dsize(s, lod); }

float4 w_tex2D(sampler2D s, float2 t) { return tex2D(s, t); }
float4 w_tex2D(sampler2D s, float2 t, float2 dx, float2 dy) { return tex2D(s, t, dx, dy); }
float4 w_tex2D(sampler2D s, float3 t) { return tex2D(s, t); }
float4 w_tex2D(sampler2D s, float3 t, float2 dx, float2 dy) { return tex2D(s, t, dx, dy); }
float4 w_tex2D(sampler2D s, float2 t, int2 off) { return tex2D(s, t, off); }
float4 w_tex2D(sampler2D s, float2 t, float2 dx, float2 dy, int2 off) { return tex2D(s, t, dx, dy, off); }
float4 w_tex2D(sampler2D s, float3 t, int2 off) { return tex2D(s, t, off); }
float4 w_tex2D(sampler2D s, float3 t, float2 dx, float2 dy, int2 off) { return tex2D(s, t, dx, dy, off); }
float4 w_tex2Dproj(sampler2D s, float3 t) { return tex2Dproj(s, t); }
float4 w_tex2Dproj(sampler2D s, float3 t, int2 off) { return tex2Dproj(s, t, off); }
float4 w_tex2Dproj(sampler2D s, float4 t) { return tex2Dproj(s, t); }
float4 w_tex2Dproj(sampler2D s, float4 t, int2 off) { return tex2Dproj(s, t, off); }
float4 w_tex2Dlod(sampler2D s, float4 t) { return tex2Dlod(s, t); }
float4 w_tex2Dlod(sampler2D s, float4 t, int2 off) { return tex2Dlod(s, t, off); }
float4 w_tex2Dbias(sampler2D s, float4 t) { return tex2Dbias(s, t); }
float4 w_tex2Dbias(sampler2D s, float4 t, int2 off) { return tex2Dbias(s, t, off); }
float4 w_tex2Dgrad(sampler2D s, float2 t, float2 dx, float2 dy) { return tex2Dgrad(s, t, dx, dy); }
float4 w_tex2Dgrad(sampler2D s, float2 t, float2 dx, float2 dy, int2 off) { return tex2Dgrad(s, t, dx, dy, off); }
float4 w_tex2Dgrad(sampler2D s, float3 t, float2 dx, float2 dy) { return tex2Dgrad(s, t, dx, dy); }
float4 w_tex2Dgrad(sampler2D s, float3 t, float2 dx, float2 dy, int2 off) { return tex2Dgrad(s, t, dx, dy, off); }
float4 w_tex2Dfetch(sampler2D s, int4 t) { return tex2Dfetch(s, t); }
float4 w_tex2Dfetch(sampler2D s, int4 t, int2 off) { return tex2Dfetch(s, t, off); }
int3 w_tex2Dsize(sampler2D s, int lod) { return tex2Dsize(s, lod); }

float4 w_tex3D(sampler3D s, float3 t) { return tex3D(s, t); }
float4 w_tex3D(sampler3D s, float3 t, float3 dx, float3 dy) { return tex3D(s, t, dx, dy); }
float4 w_tex3D(sampler3D s, float3 t, int3 off) { return tex3D(s, t, off); }
float4 w_tex3D(sampler3D s, float3 t, float3 dx, float3 dy, int3 off) { return tex3D(s, t, dx, dy, off); }
float4 w_tex3Dproj(sampler3D s, float4 t) { return tex3Dproj(s, t); }
float4 w_tex3Dproj(sampler3D s, float4 t, int3 off) { return tex3Dproj(s, t, off); }
float4 w_tex3Dlod(sampler3D s, float4 t) { return tex3Dlod(s, t); }
float4 w_tex3Dlod(sampler3D s, float4 t, int3 off) { return tex3Dlod(s, t, off); }
float4 w_tex3Dbias(sampler3D s, float4 t) { return tex3Dbias(s, t); }
float4 w_tex3Dbias(sampler3D s, float4 t, int3 off) { return tex3Dbias(s, t, off); }
float4 w_tex3Dgrad(sampler3D s, float3 t, float3 dx, float3 dy) { return tex3Dgrad(s, t, dx, dy); }
float4 w_tex3Dgrad(sampler3D s, float3 t, float3 dx, float3 dy, int3 off) { return tex3Dgrad(s, t, dx, dy, off); }
float4 w_tex3Dfetch(sampler3D s, int4 t) { return tex3Dfetch(s, t); }
float4 w_tex3Dfetch(sampler3D s, int4 t, int3 off) { return tex3Dfetch(s, t, off); }
int3 w_tex3Dsize(sampler3D s, int lod) { return tex3Dsize(s, lod); }

float4 w_texRECT(samplerRECT s, float2 t) { return texRECT(s, t); }
float4 w_texRECT(samplerRECT s, float2 t, float2 dx, float2 dy) { return texRECT(s, t, dx, dy); }
float4 w_texRECT(samplerRECT s, float3 t) { return texRECT(s, t); }
float4 w_texRECT(samplerRECT s, float3 t, float2 dx, float2 dy) { return texRECT(s, t, dx, dy); }
float4 w_texRECT(samplerRECT s, float2 t, int2 off) { return texRECT(s, t, off); }
float4 w_texRECT(samplerRECT s, float2 t, float2 dx, float2 dy, int2 off) { return texRECT(s, t, dx, dy, off); }
float4 w_texRECT(samplerRECT s, float3 t, int2 off) { return texRECT(s, t, off); }
float4 w_texRECT(samplerRECT s, float3 t, float2 dx, float2 dy, int2 off) { return texRECT(s, t, dx, dy, off); }
float4 w_texRECTproj(samplerRECT s, float3 t) { return texRECTproj(s, t); }
float4 w_texRECTproj(samplerRECT s, float3 t, int2 off) { return texRECTproj(s, t, off); }
float4 w_texRECTproj(samplerRECT s, float4 t) { return texRECTproj(s, t); }
float4 w_texRECTproj(samplerRECT s, float4 t, int2 off) { return texRECTproj(s, t, off); }
float4 w_texRECTlod(samplerRECT s, float4 t) { return texRECTlod(s, t); }
float4 w_texRECTlod(samplerRECT s, float4 t, int2 off) { return texRECTlod(s, t, off); }
float4 w_texRECTbias(samplerRECT s, float4 t) { return texRECTbias(s, t); }
float4 w_texRECTbias(samplerRECT s, float4 t, int2 off) { return texRECTbias(s, t, off); }
float4 w_texRECTgrad(samplerRECT s, float2 t, float2 dx, float2 dy) { return texRECTgrad(s, t, dx, dy); }
float4 w_texRECTgrad(samplerRECT s, float2 t, float2 dx, float2 dy, int2 off) { return texRECTgrad(s, t, dx, dy, off); }
float4 w_texRECTgrad(samplerRECT s, float3 t, float2 dx, float2 dy) { return texRECTgrad(s, t, dx, dy); }
float4 w_texRECTgrad(samplerRECT s, float3 t, float2 dx, float2 dy, int2 off) { return texRECTgrad(s, t, dx, dy, off); }
float4 w_texRECTfetch(samplerRECT s, int4 t) { return texRECTfetch(s, t); }
float4 w_texRECTfetch(samplerRECT s, int4 t, int2 off) { return texRECTfetch(s, t, off); }
int3 w_texRECTsize(samplerRECT s, int lod) { return texRECTsize(s, lod); }

float4 w_texCUBE(samplerCUBE s, float3 t) { return texCUBE(s, t); }
float4 w_texCUBE(samplerCUBE s, float3 t, float3 dx, float3 dy) { return texCUBE(s, t, dx, dy); }
float4 w_texCUBE(samplerCUBE s, float4 t) { return texCUBE(s, t); }
float4 w_texCUBE(samplerCUBE s, float4 t, float3 dx, float3 dy) { return texCUBE(s, t, dx, dy); }
float4 w_texCUBEproj(samplerCUBE s, float4 t) { return texCUBEproj(s, t); }
float4 w_texCUBElod(samplerCUBE s, float4 t) { return texCUBElod(s, t); }
float4 w_texCUBEbias(samplerCUBE s, float4 t) { return texCUBEbias(s, t); }
float4 w_texCUBEgrad(samplerCUBE s, float3 t, float3 dx, float3 dy) { return texCUBEgrad(s, t, dx, dy); }
float4 w_texCUBEgrad(samplerCUBE s, float4 t, float3 dx, float3 dy) { return texCUBEgrad(s, t, dx, dy); }
int3 w_texCUBEsize(samplerCUBE s, int lod) { return texCUBEsize(s, lod); }

#endif
