// Cg library text for the HLSL front end; see CgLibrary.h.
#include "frontend/cg/CgLibrary.h"

#include <set>

#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

const char* const kTypes =
    "#define fixed half\n#define fixed1 half1\n#define fixed2 half2\n#define fixed3 half3\n#define fixed4 half4\n"
    "#define fixed2x2 half2x2\n#define fixed3x3 half3x3\n#define fixed4x4 half4x4\n"
    "#define fixed3x4 half3x4\n#define fixed4x3 half4x3\n"
    // No rectangle or depth-compare sampler types in DX9 HLSL: they are plain
    // samplers here, and the lookups below do the rest.
    "#define samplerRECT sampler2D\n#define sampler2DShadow sampler2D\n#define sampler1DShadow sampler1D\n"
    "#define h4tex2D tex2D\n#define f4tex2D tex2D\n#define x4tex2D tex2D\n"
    "#define h3tex2D(s, t) (tex2D(s, t).xyz)\n#define f3tex2D(s, t) (tex2D(s, t).xyz)\n"
    "#define h1tex2D(s, t) (tex2D(s, t).x)\n#define f1tex2D(s, t) (tex2D(s, t).x)\n"
    "#define h4texCUBE texCUBE\n#define f4texCUBE texCUBE\n#define x4texCUBE texCUBE\n"
    "#define h3texCUBE(s, t) (texCUBE(s, t).xyz)\n#define f3texCUBE(s, t) (texCUBE(s, t).xyz)\n"
    "#define h4tex2Dproj cg_tex2Dproj\n#define f4tex2Dproj cg_tex2Dproj\n"
    "#define h3tex2Dproj(s, t) (cg_tex2Dproj(s, t).xyz)\n#define f3tex2Dproj(s, t) (cg_tex2Dproj(s, t).xyz)\n"
    "#define h4tex3D tex3D\n#define f4tex3D tex3D\n#define h4tex1D cg_tex1D\n#define f4tex1D cg_tex1D\n";

const char* const kVectors[] = {"float", "float2", "float3", "float4"};

// "float mod(float x, float y) { ... }" for every width, and with a scalar second operand.
std::string perWidth(const char* name, const char* parameters, const char* body, bool scalarOverloads)
{
    std::string text;
    for (int n = 0; n < 4; ++n) {
        for (bool scalar : {false, true}) {
            if (scalar && (!scalarOverloads || n == 0))
                continue;
            std::string p = parameters;
            std::string t = kVectors[n];
            for (size_t at; (at = p.find("T")) != std::string::npos;)
                p.replace(at, 1, t);
            for (size_t at; (at = p.find("S")) != std::string::npos;)
                p.replace(at, 1, scalar ? "float" : t);
            text += t + " " + name + "(" + p + ") { " + body + " }\n";
        }
    }
    return text;
}

// A depth comparison as Cg's shadow lookups return it: 1 where the reference
// is not farther than the stored depth.
const char* const kShadowCompare = "float4 cg_shadow(float stored, float reference) "
                                   "{ return (reference <= stored ? 1.0 : 0.0).xxxx; }\n";

struct Entry {
    const char* name;
    bool renamed;     // HLSL has the name: calls get the cg_ prefix
    bool needsShadow; // uses cg_shadow
    std::string (*text)();
    bool shadowOnly = false; // renamed only in sources with depth-compare samplers
};

const Entry kEntries[] = {
    {"mod", false, false, [] { return perWidth("mod", "T x, S y", "return x - y * floor(x / y);", true); }},
    {"fract", false, false, [] { return perWidth("fract", "T x", "return frac(x);", false); }},
    {"mix", false, false, [] { return perWidth("mix", "T x, T y, S a", "return lerp(x, y, a);", true); }},
    {"inversesqrt", false, false, [] { return perWidth("inversesqrt", "T x", "return rsqrt(x);", false); }},
    {"dFdx", false, false, [] { return perWidth("dFdx", "T x", "return ddx(x);", false); }},
    {"dFdy", false, false, [] { return perWidth("dFdy", "T x", "return ddy(x);", false); }},
    {"atan", true, false,
     [] {
         return perWidth("cg_atan", "T x", "return atan(x);", false) +
                perWidth("cg_atan", "T y, T x", "return atan2(y, x);", false);
     }},
    {"tex1D", true, true,
     [] {
         return std::string(
             "float4 cg_tex1D(sampler1D s, float t) { return tex1D(s, t); }\n"
             "float4 cg_tex1D(sampler1D s, float2 t) { return cg_shadow(tex1D(s, t.x).x, t.y); }\n"
             "float4 cg_tex1D(sampler1D s, float t, float dx, float dy) { return tex1D(s, t, dx, dy); }\n"
             "float4 cg_tex1D(sampler1D s, float2 t, float dx, float dy) "
             "{ return cg_shadow(tex1D(s, t.x, dx, dy).x, t.y); }\n");
     }},
    {"tex1Dproj", true, true,
     [] {
         return std::string("float4 cg_tex1Dproj(sampler1D s, float2 t) { return tex1D(s, t.x / t.y); }\n"
                            "float4 cg_tex1Dproj(sampler1D s, float3 t) "
                            "{ return cg_shadow(tex1D(s, t.x / t.z).x, t.y / t.z); }\n");
     }},
    {"tex2Dproj", true, true,
     [] {
         return std::string("float4 cg_tex2Dproj(sampler2D s, float3 t) { return tex2D(s, t.xy / t.z); }\n"
                            "float4 cg_tex2Dproj(sampler2D s, float4 t) "
                            "{ return cg_shadow(tex2D(s, t.xy / t.w).x, t.z / t.w); }\n");
     }},
    {"tex2D", true, true,
     [] {
         return std::string("float4 cg_tex2D(sampler2D s, float2 t) { return tex2D(s, t); }\n"
                            "float4 cg_tex2D(sampler2D s, float3 t) { return cg_shadow(tex2D(s, t.xy).x, t.z); }\n"
                            "float4 cg_tex2D(sampler2D s, float2 t, float2 dx, float2 dy) "
                            "{ return tex2D(s, t, dx, dy); }\n"
                            "float4 cg_tex2D(sampler2D s, float3 t, float2 dx, float2 dy) "
                            "{ return cg_shadow(tex2D(s, t.xy, dx, dy).x, t.z); }\n");
     },
     true},
    {"texCUBEproj", false, false,
     [] { return std::string("float4 texCUBEproj(samplerCUBE s, float4 t) { return texCUBE(s, t.xyz / t.w); }\n"); }},
    // Rectangle textures take texel coordinates, which a 2D lookup cannot scale
    // without the texture's size: the coordinates are read as normalised ones.
    {"texRECT", false, false,
     [] {
         return std::string("float4 texRECT(sampler2D s, float2 t) { return tex2D(s, t); }\n"
                            "float4 texRECT(sampler2D s, float2 t, float2 dx, float2 dy) "
                            "{ return tex2D(s, t, dx, dy); }\n");
     }},
    {"texRECTproj", false, false,
     [] {
         return std::string("float4 texRECTproj(sampler2D s, float3 t) { return tex2D(s, t.xy / t.z); }\n"
                            "float4 texRECTproj(sampler2D s, float4 t) { return tex2D(s, t.xy / t.w); }\n");
     }},
    // Fetch and size: the DX10 methods, which glslang also takes on DX9 samplers.
    {"tex1Dfetch", false, false,
     [] { return std::string("float4 tex1Dfetch(sampler1D s, int4 t) { return s.Load(int2(t.x, t.w)); }\n"); }},
    {"tex2Dfetch", false, false,
     [] { return std::string("float4 tex2Dfetch(sampler2D s, int4 t) { return s.Load(int3(t.xy, t.w)); }\n"); }},
    {"texRECTfetch", false, false,
     [] { return std::string("float4 texRECTfetch(sampler2D s, int4 t) { return s.Load(int3(t.xy, t.w)); }\n"); }},
    {"tex3Dfetch", false, false,
     [] { return std::string("float4 tex3Dfetch(sampler3D s, int4 t) { return s.Load(t); }\n"); }},
    {"tex1Dsize", false, false,
     [] {
         return std::string("int3 tex1Dsize(sampler1D s, int lod) "
                            "{ uint w, n; s.GetDimensions(lod, w, n); return int3(w, 0, 0); }\n");
     }},
    {"tex2Dsize", false, false,
     [] {
         return std::string("int3 tex2Dsize(sampler2D s, int lod) "
                            "{ uint w, h, n; s.GetDimensions(lod, w, h, n); return int3(w, h, 0); }\n");
     }},
    {"texRECTsize", false, false,
     [] {
         return std::string("int3 texRECTsize(sampler2D s, int lod) "
                            "{ uint w, h, n; s.GetDimensions(lod, w, h, n); return int3(w, h, 0); }\n");
     }},
    {"texCUBEsize", false, false,
     [] {
         return std::string("int3 texCUBEsize(samplerCUBE s, int lod) "
                            "{ uint w, h, n; s.GetDimensions(lod, w, h, n); return int3(w, h, 0); }\n");
     }},
    {"tex3Dsize", false, false,
     [] {
         return std::string("int3 tex3Dsize(sampler3D s, int lod) "
                            "{ uint w, h, d, n; s.GetDimensions(lod, w, h, d, n); return int3(w, h, d); }\n");
     }},
};

// Whether the code defines a function of this name itself ("float mix(").
bool definesFunction(std::string_view code, std::string_view name)
{
    for (size_t at = code.find(name); at != std::string_view::npos; at = code.find(name, at + 1)) {
        if ((at > 0 && isIdentifierChar(code[at - 1])) ||
            (at + name.size() < code.size() && isIdentifierChar(code[at + name.size()])))
            continue;
        size_t next = skipSpace(code, at + name.size());
        if (next >= code.size() || code[next] != '(')
            continue;
        size_t end = at;
        while (end > 0 && (code[end - 1] == ' ' || code[end - 1] == '\t' || code[end - 1] == '\n'))
            --end;
        size_t begin = end;
        while (begin > 0 && isIdentifierChar(code[begin - 1]))
            --begin;
        std::string_view before = code.substr(begin, end - begin);
        if (!before.empty() && before != "return" && !std::isdigit(static_cast<unsigned char>(before[0])))
            return true;
    }
    return false;
}

} // namespace

bool isRenamedLibraryCall(std::string_view name)
{
    for (const Entry& e : kEntries)
        if (e.renamed && !e.shadowOnly && name == e.name)
            return true;
    return false;
}

std::string libraryPreamble(std::string_view renamedCode)
{
    std::set<std::string, std::less<>> used;
    for (size_t i = 0; i < renamedCode.size();) {
        std::string_view word = identifierAt(renamedCode, i);
        if (word.empty()) {
            ++i;
            continue;
        }
        if (i == 0 || !isIdentifierChar(renamedCode[i - 1]))
            used.insert(std::string(word));
        i += word.size();
    }
    std::string preamble = kTypes;
    std::string functions;
    bool shadow = false;
    for (const Entry& e : kEntries) {
        std::string called = e.renamed ? std::string("cg_") + e.name : std::string(e.name);
        // The Cg-only lookup defines above call the renamed lookups too.
        bool viaDefine =
            (e.name == std::string_view("tex2Dproj") && (used.count("h4tex2Dproj") || used.count("f4tex2Dproj") ||
                                                         used.count("h3tex2Dproj") || used.count("f3tex2Dproj"))) ||
            (e.name == std::string_view("tex1D") && (used.count("h4tex1D") || used.count("f4tex1D")));
        if ((!used.count(called) && !viaDefine) || definesFunction(renamedCode, called))
            continue;
        shadow = shadow || e.needsShadow;
        functions += e.text();
    }
    if (shadow)
        preamble += kShadowCompare;
    preamble += functions;
    preamble += "#line 1\n";
    return preamble;
}

} // namespace Frontend::Cg
