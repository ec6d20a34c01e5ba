// Resource limits: the largest inputs the demo and its tools accept, each
// with the reason for its value. A file beyond a limit is refused with an
// error that names the file and the limit; nothing here is tuned per file.
//
// Every reader checks the sizes a file declares against these before it
// allocates or decodes anything, so that a few damaged or hostile bytes can
// never ask for gigabytes or send a library into deep recursion.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Frontend::Limits {

// Whole-file reads (pictures, shaders, meshes, scenes, music). The largest
// generated file is the music at a few MiB; a scene of a million keys is 16 MiB.
constexpr uint64_t kMaxFileBytes = 256ull << 20;

// Scene (KDX) and mesh (QBR) files: every count a file declares (materials,
// nodes, children, keys, vertices, faces, names) is checked before anything is
// allocated for it: count x the fewest bytes one entry takes in the file (16
// per position or scale key, 20 per rotation key, 20 per QBR vertex, 12 per
// face, 72 per node) must fit in the bytes left. So the records of a file can
// take only a small multiple of its size, and loading is linear in that size.
// Node trees nest at most this deep: the reader recurses once per level and no
// exporter nests that far.
constexpr int kMaxSceneDepth = 256;

// Coordinates, key values and times, vertex attributes and camera planes in
// meshes and scenes. Beyond this, products of two of them (cross products for
// normals and tangents, matrix products) could overflow a float and blacken
// every picture they reach; NaN and infinities are refused outright. The
// generated content stays within a few thousand units.
constexpr float kMaxCoordinate = 1e15f;
inline bool isUsableCoordinate(float value)
{
    return value >= -kMaxCoordinate && value <= kMaxCoordinate; // false for NaN
}
// What is wrong with a value isUsableCoordinate refuses, for the reader's message.
inline std::string describeCoordinate(float value)
{
    char text[96];
    if (std::isnan(value))
        std::snprintf(text, sizeof text, "nan is not a number");
    else
        std::snprintf(text, sizeof text, "%g is beyond the limit of +-%g", static_cast<double>(value),
                      static_cast<double>(kMaxCoordinate));
    return text;
}

// Meshes in one QBR or KDX file and nodes in one KDX scene: each mesh is a
// draw call on every frame it is seen and each node a transform evaluated per
// frame, so their number sets a frame's cost, not only memory. The production
// has 1 mesh per QBR file and at most 93 meshes in 139 nodes (flowerball.kdx);
// these allow some 40 and 100 times that, at a few ms per frame.
constexpr long long kMaxMeshesPerFile = 4096;
constexpr long long kMaxSceneNodes = 16384;

// Draw calls one scene issues per frame, reckoned when the scene is made from
// how often it draws each file and the meshes that file holds: a fork drawn
// 100 times, each time with every mesh of its file, multiplies the file's count.
// At some 80 microseconds a draw on a software rasteriser, this bounds a
// frame to well under a second. The production's busiest entry issues 243 a
// frame (the flower ball, counted over every quarter second of the timeline)
// and reckons 396 (every strawberry as if shown); this allows some 20 times that. A scene that draws one file
// once is bounded by kMaxMeshesPerFile already.
constexpr long long kMaxDrawCallsPerScene = 8192;

// Decoded music is held in memory whole, 176,400 bytes a second: half an hour
// is about 300 MiB. The production's music is four minutes.
constexpr int kMaxMusicSeconds = 30 * 60;

// Picture side in pixels, checked against the declared header before decoding.
// 8192 x 8192 RGBA is 256 MiB decoded; the generated pictures are at most
// 1024 wide. The texture upload also checks the context's GL_MAX_TEXTURE_SIZE.
constexpr int kMaxPictureSide = 8192;

// Scans of a progressive JPEG, each a pass over the whole picture: 1000, as
// libjpeg-turbo's own tools allow. An ordinary progressive file has about 10.
constexpr int kMaxJpegScans = 1000;

// Shader sources: the production's largest is a few KiB.
constexpr size_t kMaxShaderSourceBytes = 1u << 20;
// #include nesting; a cycle is reported with its chain long before this.
constexpr int kMaxIncludeDepth = 16;
// Preprocessed text, which bounds macro expansion (doubling macros grow 2^n).
constexpr size_t kMaxPreprocessedBytes = 4u << 20;
// Bracket nesting of ( [ { in a shader: glslang's HLSL grammar recurses per level.
constexpr int kMaxShaderNesting = 256;
// Statements (semicolons) in one shader: the GL driver's compiler recurses over
// long statement lists. The production's shaders have fewer than 200.
constexpr int kMaxShaderStatements = 4096;
// Statements of the GLSL generated for one stage, which the GL driver compiles:
// with every temporary kept as a variable, a source statement becomes a few.
constexpr int kMaxGeneratedStatements = 4 * kMaxShaderStatements;
// What compiling one shader may take beyond what the process already holds,
// and how long: glslang's preprocessor grows without bound on macros that
// expand exponentially, which the checks before it cannot all foresee. The
// production's shaders take a few MiB and a few milliseconds each.
constexpr uint64_t kMaxCompileMemoryBytes = 1ull << 30;
constexpr int kMaxCompileSeconds = 20;

} // namespace Frontend::Limits
