// Cg library text for the HLSL front end; see CgLibrary.h.
#include "frontend/cg/CgLibrary.h"

#include <set>
#include <vector>

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
// is not farther than the stored depth. Compare mode is texture state in Cg,
// so a source without depth-compare samplers gets the texel itself.
const char* const kShadowCompare = "float4 cg_shadow(float4 stored, float reference) "
                                   "{ return (reference <= stored.x ? 1.0 : 0.0).xxxx; }\n";
const char* const kShadowPassThrough = "float4 cg_shadow(float4 stored, float reference) { return stored; }\n";

// Texel offsets and rectangle coordinates need the size of the base level.
const char* const kTextureSize =
    "float cg_size(sampler1D s) { uint w, n; s.GetDimensions(0, w, n); return float(w); }\n"
    "float2 cg_size(sampler2D s) { uint w, h, n; s.GetDimensions(0, w, h, n); return float2(w, h); }\n"
    "float3 cg_size(sampler3D s) { uint w, h, d, n; s.GetDimensions(0, w, h, d, n); return float3(w, h, d); }\n";

struct Entry {
    std::string name;
    bool renamed; // calls get the cg_ prefix (HLSL has the name with fewer overloads)
    std::string text;
    bool shadow = false; // uses cg_shadow
    bool size = false;   // uses cg_size
};

// One sampler kind of Cg's lookup families (tex2D, tex2Dproj, tex2Dlod, ...).
struct Dimension {
    const char* name;    // "2D" in tex2D
    const char* sampler; // "sampler2D"
    const char* hlsl;    // HLSL's family that does the lookup
    int n;               // coordinates
    bool offsets;        // texel-offset overloads
    bool shadow;         // depth-compare overloads with one coordinate more
    bool rect;           // coordinates in texels
};

const Dimension kDimensions[] = {{"1D", "sampler1D", "1D", 1, true, true, false},
                                 {"2D", "sampler2D", "2D", 2, true, true, false},
                                 {"3D", "sampler3D", "3D", 3, true, false, false},
                                 {"RECT", "sampler2D", "2D", 2, true, true, true},
                                 {"CUBE", "samplerCUBE", "CUBE", 3, false, true, false}};

enum class Family { Plain, Derivatives, Proj, Lod, Bias, Grad };

std::string vectorOf(const char* base, int n)
{
    return n == 1 ? std::string(base) : base + std::to_string(n);
}

// "t.xy"; a scalar stays as it is.
std::string firstOf(int n, int width)
{
    return n == width ? "t" : "t." + std::string("xyzw", static_cast<size_t>(n));
}

std::string componentOf(int i)
{
    return std::string("t.") + "xyzw"[i];
}

// One overload: the HLSL lookup at the coordinates Cg means.
std::string lookup(const Dimension& d, Family f, bool shadow, bool offset)
{
    const int n = d.n;
    const bool derivatives = f == Family::Derivatives || f == Family::Grad;
    const bool level = f == Family::Lod || f == Family::Bias;
    int width = level ? 4 : n + (shadow ? 1 : 0) + (f == Family::Proj ? 1 : 0);
    std::string coord = firstOf(n, width);
    std::string reference = shadow ? componentOf(n) : "";
    if (f == Family::Proj) {
        std::string w = componentOf(width - 1);
        coord = "(" + coord + " / " + w + ")";
        reference = shadow ? reference + " / " + w : "";
    }
    std::string dx = "dx", dy = "dy";
    if (d.rect) {
        coord = "(" + coord + (offset ? " + off" : "") + ") / cg_size(s)";
        dx = "dx / cg_size(s)";
        dy = "dy / cg_size(s)";
    } else if (offset) {
        coord = coord + " + off / cg_size(s)";
    }
    std::string hlsl = std::string("tex") + d.hlsl;
    std::string call;
    if (level)
        call = hlsl + (f == Family::Lod ? "lod" : "bias") + "(s, float4(" + coord + ", " + std::string("t.") +
               std::string("yzw").substr(static_cast<size_t>(n - 1)) + "))";
    else if (derivatives)
        call = hlsl + (f == Family::Grad ? "grad" : "") + "(s, " + coord + ", " + dx + ", " + dy + ")";
    else
        call = hlsl + "(s, " + coord + ")";
    static const char* const suffixes[] = {"", "", "proj", "lod", "bias", "grad"};
    std::string parameters = std::string(d.sampler) + " s, " + vectorOf("float", width) + " t";
    if (derivatives)
        parameters += ", " + vectorOf("float", n) + " dx, " + vectorOf("float", n) + " dy";
    if (offset)
        parameters += ", " + vectorOf("int", n) + " off";
    std::string body = shadow ? "cg_shadow(" + call + ", " + reference + ")" : call;
    return "float4 cg_tex" + std::string(d.name) + suffixes[static_cast<int>(f)] + "(" + parameters + ") { return " +
           body + "; }\n";
}

// Every overload of one family: with and without offsets and depth compare.
// The level forms read the level from t.w, so their compare form would have
// the same signature: it is not offered.
Entry lookupFamily(const Dimension& d, Family f, const char* suffix)
{
    Entry e{std::string("tex") + d.name + suffix, true, ""};
    bool level = f == Family::Lod || f == Family::Bias;
    bool proj = f == Family::Proj;
    // Cg has no projected depth compare for cubes and no projected 3D compare.
    bool shadow = d.shadow && !level && !(proj && d.n == 3);
    for (bool withShadow : {false, true}) {
        for (bool offset : {false, true}) {
            if ((withShadow && !shadow) || (offset && !d.offsets))
                continue;
            e.text += lookup(d, f, withShadow, offset);
            e.shadow = e.shadow || withShadow;
            e.size = e.size || offset || d.rect;
        }
    }
    return e;
}

std::vector<Entry> makeEntries()
{
    std::vector<Entry> entries = {
        {"mod", false, perWidth("mod", "T x, S y", "return x - y * floor(x / y);", true)},
        {"fract", false, perWidth("fract", "T x", "return frac(x);", false)},
        {"mix", false, perWidth("mix", "T x, T y, S a", "return lerp(x, y, a);", true)},
        {"inversesqrt", false, perWidth("inversesqrt", "T x", "return rsqrt(x);", false)},
        {"dFdx", false, perWidth("dFdx", "T x", "return ddx(x);", false)},
        {"dFdy", false, perWidth("dFdy", "T x", "return ddy(x);", false)},
        {"atan", true,
         perWidth("cg_atan", "T x", "return atan(x);", false) +
             perWidth("cg_atan", "T y, T x", "return atan2(y, x);", false)},
    };
    const std::pair<Family, const char*> families[] = {
        {Family::Proj, "proj"}, {Family::Lod, "lod"}, {Family::Bias, "bias"}, {Family::Grad, "grad"}};
    for (const Dimension& d : kDimensions) {
        Entry plain = lookupFamily(d, Family::Plain, "");
        Entry derivatives = lookupFamily(d, Family::Derivatives, "");
        plain.text += derivatives.text;
        entries.push_back(plain);
        for (auto [family, suffix] : families)
            entries.push_back(lookupFamily(d, family, suffix));
    }
    // Fetch and size: the DX10 methods, which glslang also takes on DX9
    // samplers. An offset counts texels, as the fetch does.
    entries.push_back({"tex1Dfetch", false,
                       "float4 tex1Dfetch(sampler1D s, int4 t) { return s.Load(int2(t.x, t.w)); }\n"
                       "float4 tex1Dfetch(sampler1D s, int4 t, int off) { return s.Load(int2(t.x + off, t.w)); }\n"});
    for (const char* name : {"tex2Dfetch", "texRECTfetch"})
        entries.push_back({name, false,
                           std::string("float4 ") + name +
                               "(sampler2D s, int4 t) { return s.Load(int3(t.xy, t.w)); }\n" + "float4 " + name +
                               "(sampler2D s, int4 t, int2 off) { return s.Load(int3(t.xy + off, t.w)); }\n"});
    entries.push_back(
        {"tex3Dfetch", false,
         "float4 tex3Dfetch(sampler3D s, int4 t) { return s.Load(t); }\n"
         "float4 tex3Dfetch(sampler3D s, int4 t, int3 off) { return s.Load(int4(t.xyz + off, t.w)); }\n"});
    entries.push_back({"tex1Dsize", false,
                       "int3 tex1Dsize(sampler1D s, int lod) "
                       "{ uint w, n; s.GetDimensions(lod, w, n); return int3(w, 0, 0); }\n"});
    for (const char* name : {"tex2Dsize", "texRECTsize"})
        entries.push_back({name, false,
                           std::string("int3 ") + name +
                               "(sampler2D s, int lod) { uint w, h, n; s.GetDimensions(lod, w, h, n); "
                               "return int3(w, h, 0); }\n"});
    entries.push_back({"texCUBEsize", false,
                       "int3 texCUBEsize(samplerCUBE s, int lod) "
                       "{ uint w, h, n; s.GetDimensions(lod, w, h, n); return int3(w, h, 0); }\n"});
    entries.push_back({"tex3Dsize", false,
                       "int3 tex3Dsize(sampler3D s, int lod) "
                       "{ uint w, h, d, n; s.GetDimensions(lod, w, h, d, n); return int3(w, h, d); }\n"});
    return entries;
}

const std::vector<Entry>& entries()
{
    static const std::vector<Entry> all = makeEntries();
    return all;
}

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
    for (const Entry& e : entries())
        if (e.renamed && name == e.name)
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
    bool shadow = false, size = false;
    for (const Entry& e : entries()) {
        std::string called = e.renamed ? "cg_" + e.name : e.name;
        // The Cg-only lookup defines above call the renamed lookups too.
        bool viaDefine = (e.name == "tex2Dproj" && (used.count("h4tex2Dproj") || used.count("f4tex2Dproj") ||
                                                    used.count("h3tex2Dproj") || used.count("f3tex2Dproj"))) ||
                         (e.name == "tex1D" && (used.count("h4tex1D") || used.count("f4tex1D")));
        if ((!used.count(called) && !viaDefine) || definesFunction(renamedCode, called))
            continue;
        shadow = shadow || e.shadow;
        size = size || e.size;
        functions += e.text;
    }
    bool compare = renamedCode.find("sampler2DShadow") != std::string_view::npos ||
                   renamedCode.find("sampler1DShadow") != std::string_view::npos;
    if (shadow)
        preamble += compare ? kShadowCompare : kShadowPassThrough;
    if (size)
        preamble += kTextureSize;
    preamble += functions;
    preamble += "#line 1\n";
    return preamble;
}

} // namespace Frontend::Cg
