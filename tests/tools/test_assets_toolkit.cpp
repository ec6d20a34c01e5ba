// The content generator's toolkits (modelling, raster, text, codecs) and the
// placement of its meshes in the scenes that draw them.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <filesystem>
#include <map>
#include <tuple>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"
#include "frontend/Vec3.h"
#include "tests/support/TestContext.h"
#include "tools/assets/mesh/Mesh.h"
#include "tools/assets/meshes/Meshes.h"
#include "tools/assets/pictures/Pictures.h"
#include "tools/assets/preview/ContactSheet.h"
#include "tools/assets/raster/Codec.h"
#include "tools/assets/raster/Raster.h"
#include "tools/assets/raster/Text.h"

using namespace Assets;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Directed edges, welded by position, that have no reverse partner.
int openEdges(const Mesh& mesh)
{
    std::map<std::tuple<long, long, long>, int> weld;
    std::vector<int> id(mesh.vertices.size());
    for (size_t v = 0; v < id.size(); ++v) {
        V3 p = mesh.vertices[v].p;
        auto key = std::make_tuple(std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4));
        id[v] = weld.emplace(key, static_cast<int>(weld.size())).first->second;
    }
    std::map<std::pair<int, int>, int> edges;
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            int a = id[mesh.indices[t + k]], b = id[mesh.indices[t + (k + 1) % 3]];
            if (a != b)
                ++edges[{a, b}];
        }
    int open = 0;
    for (const auto& [edge, count] : edges) {
        auto reverse = edges.find({edge.second, edge.first});
        open += reverse == edges.end() || reverse->second != count ? 1 : 0;
    }
    return open;
}

void expectSolid(const Mesh& mesh, float volume, float tolerance)
{
    EXPECT_EQ(openEdges(mesh), 0);
    EXPECT_NEAR(mesh.signedVolume(), volume, volume * tolerance);
}

TEST(AssetModelling, PrimitivesAreClosedSolidsWoundOutwards)
{
    {
        SCOPED_TRACE("box");
        expectSolid(box({2, 3, 4}), 24, 1e-5f);
    }
    {
        SCOPED_TRACE("sphere");
        expectSolid(sphere(1, 48, 24), 4.18879f, 0.02f);
    }
    {
        SCOPED_TRACE("lathe cylinder");
        expectSolid(lathe({{0, 0}, {1, 0}, {1, 2}, {0, 2}}, 64), 2 * kPi, 0.01f);
    }
    {
        SCOPED_TRACE("sweep");
        std::vector<SweepPoint> path;
        for (int k = 0; k <= 10; ++k)
            path.push_back({{static_cast<float>(k), 0, 0}, 1, 1});
        expectSolid(sweep(path, {0, 0, 1}, 64), 10 * kPi, 0.01f);
    }
    {
        SCOPED_TRACE("straight stroke");
        expectSolid(stroke({{0, 0}, {10, 0}}, 2, 3, false), 60, 1e-4f);
    }
    {
        SCOPED_TRACE("bent stroke");
        Mesh m = stroke({{0, 10}, {5, 0}, {10, 10}, {14, 10}}, 2, 3, false);
        EXPECT_EQ(openEdges(m), 0);
        EXPECT_GT(m.signedVolume(), 0);
    }
    {
        SCOPED_TRACE("closed stroke");
        // A square ring 10 on a side (centre line), 2 wide, 1 deep: 4 sides of 10 x 2.
        expectSolid(stroke({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 2, 1, true), 80, 1e-3f);
    }
    {
        SCOPED_TRACE("extruded plus");
        std::vector<V2> plus = {{-1, -3}, {1, -3}, {1, -1}, {3, -1}, {3, 1},   {1, 1},
                                {1, 3},   {-1, 3}, {-1, 1}, {-3, 1}, {-3, -1}, {-1, -1}};
        expectSolid(extrude(plus, 2), 20 * 2, 1e-4f);
    }
}

TEST(AssetModelling, TransformsKeepSolidsOutward)
{
    Mesh m = box({1, 2, 3});
    m.scale({-2, 1, 1});
    EXPECT_NEAR(m.signedVolume(), 12, 1e-4);
    m.rotateX(0.7f);
    m.rotateY(-1.3f);
    m.rotateZ(2.1f);
    m.translate({5, -4, 3});
    EXPECT_NEAR(m.signedVolume(), 12, 1e-3);
    m.flipWinding();
    EXPECT_NEAR(m.signedVolume(), -12, 1e-3);
    orientOutward(m);
    EXPECT_NEAR(m.signedVolume(), 12, 1e-3);
}

TEST(AssetModelling, EarClippingCoversAConcaveOutline)
{
    std::vector<V2> ell = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}};
    std::vector<int> tris = triangulate(ell);
    ASSERT_EQ(tris.size(), 3u * (ell.size() - 2));
    float total = 0;
    for (size_t t = 0; t < tris.size(); t += 3) {
        V2 a = ell[tris[t]], b = ell[tris[t + 1]], c = ell[tris[t + 2]];
        float area = 0.5f * ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
        EXPECT_GT(area, 0) << "triangle " << t / 3 << " is clockwise or empty";
        total += area;
    }
    EXPECT_NEAR(total, 6, 1e-5);
}

TEST(AssetModelling, HeightFieldFacesUpAndRepeatsItsTexture)
{
    Mesh m = heightField(10, 4, 3, 5, [](float x, float y) { return 0.1f * x * y; });
    EXPECT_EQ(m.vertices.size(), 5u * 4u);
    EXPECT_EQ(m.indices.size(), 4u * 3u * 6u);
    for (size_t t = 0; t < m.indices.size(); t += 3) {
        V3 n = cross(m.vertices[m.indices[t + 1]].p - m.vertices[m.indices[t]].p,
                     m.vertices[m.indices[t + 2]].p - m.vertices[m.indices[t]].p);
        EXPECT_GT(n.z, 0);
    }
    EXPECT_FLOAT_EQ(m.vertices.back().u, 5);
    EXPECT_FLOAT_EQ(m.vertices.back().v, 5);
    EXPECT_FLOAT_EQ(m.vertices.back().p.z, 10.0f);
}

// The loader derives tangents from texture coordinates and divides by the
// texture-space area of each triangle.
TEST(AssetModelling, GeneratedMeshesHaveNoCollapsedTriangles)
{
    for (auto make :
         {makeCross, makeLogoMesh, makeOrnament, makeFork, makeStarfish, makeSeaFloor, makeForest, makeSkateboard}) {
        for (const Mesh& m : make()) {
            ASSERT_FALSE(m.indices.empty());
            std::vector<bool> used(m.vertices.size(), false);
            for (size_t t = 0; t < m.indices.size(); t += 3) {
                const Vertex &a = m.vertices[m.indices[t]], &b = m.vertices[m.indices[t + 1]],
                             &c = m.vertices[m.indices[t + 2]];
                float uvArea = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
                ASSERT_GT(std::fabs(uvArea), 1e-9f) << "triangle " << t / 3;
                ASSERT_GT(length(cross(b.p - a.p, c.p - a.p)), 0.0f) << "triangle " << t / 3;
                for (int k = 0; k < 3; ++k)
                    used[m.indices[t + k]] = true;
            }
            for (size_t v = 0; v < used.size(); ++v)
                ASSERT_TRUE(used[v]) << "vertex " << v << " belongs to no triangle";
        }
    }
}

// ---------------------------------------------------------------------------
// The meshes in their scenes.

TEST(AssetPlacement, ForestStandsUprightAfterTheHorizonTurn)
{
    Mesh forest = makeForest()[0];
    float low = 1e9f, high = -1e9f, left = 1e9f, right = -1e9f;
    for (const Vertex& v : forest.vertices) {
        Vec3 p{v.p.x, v.p.y, v.p.z};
        rotateAroundAxis(1, 0, 0, 1.57075f, p); // exactly as the scene turns it
        low = std::min(low, p.z * 0.4f);
        high = std::max(high, p.z * 0.4f);
        left = std::min(left, p.x * 0.4f);
        right = std::max(right, p.x * 0.4f);
    }
    EXPECT_NEAR(low, -40, 2) << "the trees stand on the ground below the camera";
    EXPECT_GT(high, 0) << "the crowns rise towards the camera's height";
    EXPECT_LT(left, -100);
    EXPECT_GT(right, 100);
}

TEST(AssetPlacement, OrnamentCrossesTheCentreOfItsView)
{
    // Scaled by 15, turned about y, seen from the origin towards (-1, -1, -1).
    Mesh ornament = makeOrnament()[0];
    V3 view = normalized({-1, -1, -1});
    for (int degrees = 0; degrees < 360; degrees += 20) {
        Mesh turned = ornament;
        turned.rotateY(degrees * kPi / 180);
        float best = -1;
        for (const Vertex& v : turned.vertices)
            best = std::max(best, dot(normalized(v.p), view));
        EXPECT_GT(best, std::cos(6 * kPi / 180)) << "at " << degrees << " degrees";
        V3 low, high;
        turned.bounds(low, high);
        EXPECT_GT(std::min(-low.x, high.x) * 15, 50) << "the ring surrounds the camera";
    }
    // The scene's glow blurs over some 30 of 512 pixels: the tube must stand
    // much taller than that where it crosses the view, even between lobes.
    const float viewAzimuth = std::atan2(view.x, view.z);
    for (int degrees = 0; degrees < 360; degrees += 5) {
        Mesh turned = ornament;
        turned.rotateY(degrees * kPi / 180);
        float lowest = 1e9f, highest = -1e9f;
        for (const Vertex& v : turned.vertices) {
            V3 d = normalized(v.p);
            float off = std::remainder(std::atan2(d.x, d.z) - viewAzimuth, 2 * kPi);
            if (std::fabs(off) < 1.5f * kPi / 180 && length(v.p) > 3.0f) {
                lowest = std::min(lowest, std::asin(d.y));
                highest = std::max(highest, std::asin(d.y));
            }
        }
        EXPECT_GT((highest - lowest) * 180 / kPi, 11) << "at " << degrees << " degrees";
    }
}

TEST(AssetPlacement, StarfishLiesAboveTheSeaFloor)
{
    Mesh star = makeStarfish()[0], floor = makeSeaFloor()[0];
    V3 low, high;
    star.bounds(low, high);
    EXPECT_NEAR(high.x, 45, 1);
    EXPECT_LT(high.z - low.z, 15);
    for (const Vertex& v : floor.vertices) {
        if (std::fabs(v.p.x) < 3 && std::fabs(v.p.y) < 3) {
            ASSERT_LT(50 * (v.p.z + 5), -60) << "floor under the starfish, scaled by 50 after a lift of 5";
        }
    }
}

TEST(AssetPlacement, SkateboardIsCentredWithWheelsBelowTheDeck)
{
    Mesh board = makeSkateboard()[0];
    V3 low, high;
    board.bounds(low, high);
    EXPECT_NEAR(high.x - low.x, 160, 2);
    EXPECT_NEAR(high.x + low.x, 0, 1);
    EXPECT_NEAR(high.y + low.y, 0, 1);
    EXPECT_LT(low.z, -10);
    EXPECT_GT(high.z, 8) << "kicked nose and tail";
    EXPECT_EQ(openEdges(board), 0);
}

TEST(AssetPlacement, LogoAndForkFitTheirCameras)
{
    V3 low, high;
    makeLogoMesh()[0].bounds(low, high);
    EXPECT_NEAR(high.y - low.y, 50, 1);
    EXPECT_GT(high.x - low.x, 200);
    EXPECT_LT(high.x - low.x, 320);
    EXPECT_NEAR(high.x + low.x, 0, 1);
    makeFork()[0].bounds(low, high);
    EXPECT_GT(high.x - low.x, 70);
    EXPECT_LT(high.x - low.x, 100);
}

// ---------------------------------------------------------------------------
// Raster toolkit

TEST(AssetRaster, NoiseRepeatsWithItsPeriod)
{
    Random random(5);
    float spread = 0;
    for (int k = 0; k < 200; ++k) {
        float x = random.range(0, 8), y = random.range(0, 8);
        EXPECT_NEAR(perlin(x, y, 4, 3, 9), perlin(x + 4, y + 3, 4, 3, 9), 1e-4);
        EXPECT_NEAR(fbm(x, y, 4, 3, 5, 9), fbm(x + 8, y - 6, 4, 3, 5, 9), 1e-4);
        CellSample a = cellular(x, y, 5, 5, 2), b = cellular(x + 5, y + 10, 5, 5, 2);
        EXPECT_NEAR(a.distance, b.distance, 1e-4);
        EXPECT_LT(a.distance, 1.5f);
        spread = std::max(spread, std::fabs(perlin(x, y, 4, 3, 9)));
    }
    EXPECT_GT(spread, 0.2f) << "noise that never leaves zero";
}

TEST(AssetRaster, RandomNumbersRepeatAndStayInRange)
{
    Random a(77), b(77);
    for (int k = 0; k < 1000; ++k) {
        float u = a.uniform();
        EXPECT_EQ(u, b.uniform());
        EXPECT_TRUE(u >= 0 && u < 1);
        int n = a.below(7);
        b.below(7);
        EXPECT_TRUE(n >= 0 && n < 7);
    }
}

TEST(AssetRaster, BlendComposesStraightAlpha)
{
    Picture p(2, 1, {0, 0, 1, 1});
    p.set(1, 0, {0, 0, 0, 0});
    p.blend(0, 0, {1, 0, 0, 1}, 0.5f);
    p.blend(1, 0, {1, 0, 0, 0.5f}, 1.0f);
    Color over = p.get(0, 0), alone = p.get(1, 0);
    EXPECT_NEAR(over.r, 0.5f, 1e-6);
    EXPECT_NEAR(over.b, 0.5f, 1e-6);
    EXPECT_NEAR(over.a, 1.0f, 1e-6);
    EXPECT_NEAR(alone.r, 1.0f, 1e-6) << "colour over nothing keeps its own colour";
    EXPECT_NEAR(alone.a, 0.5f, 1e-6);
    p.blend(5, 0, {1, 1, 1, 1}, 1); // outside: ignored
}

TEST(AssetRaster, BlurKeepsLevelsAndWrapsOnlyWhenAsked)
{
    Picture flat(16, 8, {0.3f, 0.3f, 0.3f, 1});
    flat.blur(3, false);
    EXPECT_NEAR(flat.get(0, 0).r, 0.3f, 1e-5);
    EXPECT_NEAR(flat.get(15, 7).r, 0.3f, 1e-5);

    Picture wrapped(32, 4, {0, 0, 0, 1}), clamped(32, 4, {0, 0, 0, 1});
    for (int y = 0; y < 4; ++y) {
        wrapped.set(0, y, {1, 1, 1, 1});
        clamped.set(0, y, {1, 1, 1, 1});
    }
    wrapped.blur(2, true);
    clamped.blur(2, false);
    EXPECT_GT(wrapped.get(31, 0).r, 0.05f);
    EXPECT_NEAR(clamped.get(31, 0).r, 0, 1e-6);
    float sum = 0;
    for (int x = 0; x < 32; ++x)
        sum += wrapped.get(x, 0).r;
    EXPECT_NEAR(sum, 1, 1e-4) << "a wrapped blur moves light around, never loses it";
}

TEST(AssetRaster, DiscsAndGradients)
{
    Picture p(21, 21, {0, 0, 0, 0});
    p.disc(10.5f, 10.5f, 6, 1, {1, 1, 1, 1});
    EXPECT_NEAR(p.get(10, 10).a, 1, 1e-6);
    EXPECT_EQ(p.get(0, 0).a, 0);
    EXPECT_EQ(p.get(10, 17).a, 0);
    std::vector<GradientStop> stops = {{0, {0, 0, 0, 1}}, {0.5f, {1, 0, 0, 1}}, {1, {1, 1, 1, 1}}};
    EXPECT_NEAR(sampleGradient(stops, -1).r, 0, 1e-6);
    EXPECT_NEAR(sampleGradient(stops, 0.25f).r, 0.5f, 1e-6);
    EXPECT_NEAR(sampleGradient(stops, 0.75f).g, 0.5f, 1e-6);
    EXPECT_NEAR(sampleGradient(stops, 2).b, 1, 1e-6);
}

TEST(AssetRaster, NormalMapsTiltAgainstTheSlope)
{
    const int n = 8;
    std::vector<float> flat(n * n, 1.0f), alongU(n * n), upwards(n * n);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            alongU[j * n + i] = static_cast<float>(i);
            upwards[j * n + i] = static_cast<float>(n - j); // higher towards the top row
        }
    Color c = normalMapFromHeight(flat, n, n, 1, false).get(4, 4);
    EXPECT_NEAR(c.r, 0.5f, 1e-6);
    EXPECT_NEAR(c.g, 0.5f, 1e-6);
    EXPECT_NEAR(c.b, 1.0f, 1e-6);
    c = normalMapFromHeight(alongU, n, n, 1, false).get(4, 4);
    EXPECT_LT(c.r, 0.4f);
    EXPECT_NEAR(c.g, 0.5f, 1e-6);
    c = normalMapFromHeight(upwards, n, n, 1, false).get(4, 4);
    EXPECT_NEAR(c.r, 0.5f, 1e-6);
    EXPECT_LT(c.g, 0.4f);
}

// ---------------------------------------------------------------------------
// Text and files

TEST(AssetText, SetsMeasuredLettersAndReportsMissingFonts)
{
    Font font(fontPath("DejaVuSans-Bold.ttf"));
    TextStyle style;
    style.pixelHeight = 40;
    int one = font.measure("M", style), two = font.measure("MM", style);
    EXPECT_GT(one, 20);
    EXPECT_NEAR(two, 2 * one, 2);
    style.horizontalScale = 0.5f;
    EXPECT_NEAR(font.measure("MM", style), one, 3);
    style.horizontalScale = 1;

    Picture p(100, 60, {1, 1, 1, 0});
    font.draw(p, "M", 10, 50, style);
    float inside = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            (x >= 10 && x < 10 + one && y <= 50 ? inside : outside) += p.get(x, y).a;
    EXPECT_GT(inside, 100);
    EXPECT_LT(outside, 5);

    try {
        Font missing("/nonexistent/font.ttf");
        FAIL() << "no error for a missing font";
    } catch (const Frontend::Error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/font.ttf"), std::string::npos);
    }
}

TEST(AssetFiles, PicturesReadBackRightWayUpThroughTheDemoLoader)
{
    std::string dir = TestSupport::makeTempDir("assets-codec");
    Picture p(16, 8, {0, 0, 1, 1});
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 4; ++y)
            p.set(x, y, {1, 0, 0, 0.5f}); // top half red, half transparent
    savePngRGBA(dir + "/a.png", p);
    saveJpeg(dir + "/a.jpg", p);

    FrontendExt::ImageLoader png(FrontendExt::File(dir + "/a.png", "rb"));
    ASSERT_EQ(png.format(), 0);
    ASSERT_EQ(png.width(), 16);
    const unsigned char* bottom = png.data(); // first row: the picture's bottom
    const unsigned char* top = png.data() + 7 * 16 * 4;
    EXPECT_EQ(bottom[2], 255);
    EXPECT_EQ(bottom[3], 255);
    EXPECT_EQ(top[0], 255);
    EXPECT_EQ(top[3], 128);

    FrontendExt::ImageLoader jpg(FrontendExt::File(dir + "/a.jpg", "rb"));
    ASSERT_EQ(jpg.format(), 1);
    EXPECT_GT(jpg.data()[2], 200);              // bottom row blue
    EXPECT_GT(jpg.data()[7 * 16 * 3 + 0], 200); // top row red

    EXPECT_THROW(saveJpeg(dir + "/missing/dir/a.jpg", p), Frontend::Error);
    std::filesystem::remove_all(dir);
}

} // namespace

// Music, scenes, shaders and unknown names have nothing to show: a clear refusal, not a sheet of negative size.
TEST(AssetContactSheet, NameWithoutAPictureIsRefusedByName)
{
    for (const char* name : {"music.mp3", "balloon.kdx", "nosuch.png"}) {
        try {
            Assets::makeContactSheet(name);
            ADD_FAILURE() << name << " gave a sheet";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
}
