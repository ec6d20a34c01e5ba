// The content generator: runs vantrel-assets into temporary directories and
// checks what it wrote with the demo's own loaders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "frontend/ImageLoader.h"
#include "frontend_ext/KDXScene.h"
#include "frontend_ext/QBRLoader.h"
#include "tests/support/TestContext.h"
#include "tools/assets/corpus/Corpus.h"

namespace {

const std::string kTool = VANTREL_RUN_DIR "/vantrel-assets";

struct PictureSpec {
    const char* name;
    int width;
    int height;
    int format; // 0 RGBA, 1 RGB
};

const PictureSpec kPictures[] = {
    {"bw.jpg", 512, 512, 1},
    {"someenv.jpg", 512, 512, 1},
    {"bgenv.jpg", 512, 512, 1},
    {"jall.jpg", 512, 512, 1},
    {"scene1.jpg", 1024, 512, 1},
    {"scene2.jpg", 1024, 512, 1},
    {"scene3.jpg", 1024, 512, 1},
    {"scene6.jpg", 1024, 512, 1},
    {"natthimmel.jpg", 1024, 512, 1},
    {"grass-bakke.jpg", 512, 512, 1},
    {"sand2.jpg", 512, 512, 1},
    {"stjerne.jpg", 512, 512, 1},
    {"stjerne_bump.jpg", 512, 512, 1},
    {"bubble.jpg", 128, 128, 1},
    {"skate-top.jpg", 1024, 256, 1},
    {"normal_skate-top.png", 1024, 256, 1},
    {"skyer1.png", 1024, 512, 0},
    {"skyer2.png", 1024, 512, 0},
    {"skyer3.png", 1024, 512, 0},
    {"skyer4.png", 1024, 512, 0},
    {"piper1.png", 1024, 512, 0},
    {"piper2.png", 1024, 512, 0},
    {"piper3.png", 1024, 512, 0},
    {"gress.png", 1024, 512, 0},
    {"grill.png", 1024, 512, 0},
    {"dott.png", 64, 64, 0},
    {"sky.png", 256, 256, 0},
    {"nattsky1.png", 256, 256, 0},
    {"nattsky2.png", 256, 256, 0},
    {"logo.png", 512, 512, 0},
    {"logo2.png", 512, 512, 0},
    {"credits.png", 512, 512, 0},
    {"kronblad.jpg", 512, 256, 1},
    {"normal_kronblad.jpg", 512, 256, 1},
    {"oyenstikker.jpg", 512, 128, 1},
    {"normal_oyenstikker.jpg", 512, 128, 1},
    {"vinge.jpg", 512, 128, 1},
    {"jordbaer.jpg", 256, 256, 1},
    {"normal_jordbaer.jpg", 256, 256, 1},
    {"kurv.jpg", 256, 256, 1},
};

const char* const kMeshes[] = {"cross.qbr",   "morvask.qbr",  "jiha.qbr",        "gaffel.qbr",
                               "seastar.qbr", "seafloor.qbr", "atsolskogen.qbr", "skate.qbr"};

// Checked in test_kdx_content.cpp.
const char* const kScenes[] = {"dragonfly.kdx",  "dragonflypaths.kdx", "solsikke.kdx", "flowerball.kdx",
                               "strawberry.kdx", "strawberry-top.kdx", "balloon.kdx"};

int runTool(const std::string& arguments)
{
    std::string command = "\"" + kTool + "\" " + arguments + " > /dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two complete runs of the tool, shared by every test of this file.
class GeneratedAssets : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        first = TestSupport::makeTempDir("assets-a");
        second = TestSupport::makeTempDir("assets-b");
        firstStatus = runTool("\"" + first + "\" --no-music");
        secondStatus = runTool("\"" + second + "\" --no-music");
    }

    static void TearDownTestSuite()
    {
        std::filesystem::remove_all(first);
        std::filesystem::remove_all(second);
    }

    void SetUp() override
    {
        ASSERT_EQ(firstStatus, 0) << kTool;
        ASSERT_EQ(secondStatus, 0) << kTool;
    }

    static std::unique_ptr<FrontendExt::ImageLoader> image(const std::string& name)
    {
        return std::make_unique<FrontendExt::ImageLoader>(FrontendExt::File(first + "/" + name, "rb"));
    }

    static std::string first, second;
    static int firstStatus, secondStatus;
};

std::string GeneratedAssets::first;
std::string GeneratedAssets::second;
int GeneratedAssets::firstStatus = -1;
int GeneratedAssets::secondStatus = -1;

// Channel c of pixel (x, row) counted from the top, as the picture is seen.
int texel(const FrontendExt::ImageLoader& image, int x, int rowFromTop, int channel)
{
    int channels = image.format() == 0 ? 4 : 3;
    int row = image.height() - 1 - rowFromTop;
    return image.data()[(static_cast<size_t>(row) * image.width() + x) * channels + channel];
}

bool isPowerOfTwo(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

TEST_F(GeneratedAssets, EveryPictureDecodesToItsSizeAndFormat)
{
    for (const PictureSpec& spec : kPictures) {
        SCOPED_TRACE(spec.name);
        auto decoded = image(spec.name);
        EXPECT_EQ(decoded->width(), spec.width);
        EXPECT_EQ(decoded->height(), spec.height);
        EXPECT_EQ(decoded->format(), spec.format);
        EXPECT_TRUE(isPowerOfTwo(decoded->width()) && isPowerOfTwo(decoded->height()));
    }
}

TEST_F(GeneratedAssets, TwoRunsWriteIdenticalBytes)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first)) {
        std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::vector<char> a = readBytes(entry.path().string()), b = readBytes(second + "/" + name);
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(a == b);
        ++files;
    }
    EXPECT_EQ(files, std::size(kPictures) + std::size(kMeshes) + std::size(kScenes));
}

// The sky box paints its two caps with the corner texels, so the top and
// bottom rows must each be one flat colour.
TEST_F(GeneratedAssets, SkyBoxesHaveFlatCapRows)
{
    for (const char* name : {"scene1.jpg", "scene2.jpg", "scene6.jpg", "natthimmel.jpg"}) {
        SCOPED_TRACE(name);
        auto sky = image(name);
        for (int row : {0, sky->height() - 1}) {
            for (int x = 0; x < sky->width(); x += 7)
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(texel(*sky, x, row, c), texel(*sky, 0, row, c), 6) << "row " << row << " x " << x;
        }
    }
}

// Layers the Horizon scene repeats must join seamlessly; clamped layers must
// be transparent along their left and right edges.
TEST_F(GeneratedAssets, LandscapeLayersTileOrFadeAtTheirEdges)
{
    for (const char* name : {"skyer2.png", "skyer3.png", "piper2.png", "piper3.png", "gress.png", "grill.png"}) {
        SCOPED_TRACE(name);
        auto layer = image(name);
        double seam = 0, inner = 0;
        int last = layer->width() - 1;
        for (int y = 0; y < layer->height(); ++y) {
            for (int c = 0; c < 4; ++c) {
                seam += std::abs(texel(*layer, last, y, c) - texel(*layer, 0, y, c));
                inner += std::abs(texel(*layer, 1, y, c) - texel(*layer, 0, y, c));
            }
        }
        EXPECT_LE(seam, 3 * inner + 4.0 * layer->height()) << "the wrap seam is rougher than the picture";
    }
    for (const char* name : {"skyer1.png", "skyer4.png", "piper1.png"}) {
        SCOPED_TRACE(name);
        auto layer = image(name);
        for (int y = 0; y < layer->height(); ++y) {
            ASSERT_EQ(texel(*layer, 0, y, 3), 0) << "row " << y;
            ASSERT_EQ(texel(*layer, layer->width() - 1, y, 3), 0) << "row " << y;
        }
    }
}

TEST_F(GeneratedAssets, SpritesFadeOutBeforeTheirBorder)
{
    for (const char* name : {"dott.png", "sky.png", "nattsky1.png", "nattsky2.png", "bubble.jpg"}) {
        SCOPED_TRACE(name);
        auto sprite = image(name);
        int n = sprite->width();
        int centreChannel = sprite->format() == 0 ? 3 : 0;
        EXPECT_GT(texel(*sprite, n / 2, n / 2, centreChannel) + texel(*sprite, n / 2, n / 10, centreChannel), 0);
        for (int i = 0; i < n; ++i)
            for (auto [x, y] : {std::pair{i, 0}, std::pair{i, n - 1}, std::pair{0, i}, std::pair{n - 1, i}}) {
                if (sprite->format() == 0)
                    ASSERT_EQ(texel(*sprite, x, y, 3), 0);
                else
                    ASSERT_LE(texel(*sprite, x, y, 0) + texel(*sprite, x, y, 1) + texel(*sprite, x, y, 2), 9);
            }
    }
}

TEST_F(GeneratedAssets, NormalMapsHoldUnitNormalsFacingOut)
{
    for (const char* name : {"normal_skate-top.png", "stjerne_bump.jpg", "normal_kronblad.jpg",
                             "normal_oyenstikker.jpg", "normal_jordbaer.jpg"}) {
        SCOPED_TRACE(name);
        auto map = image(name);
        // JPEG blurs steep slopes a little; the shader renormalises.
        const float tolerance = std::string(name).ends_with(".png") ? 0.03f : 0.15f;
        double flat = 0;
        for (int y = 0; y < map->height(); y += 3)
            for (int x = 0; x < map->width(); x += 3) {
                float n[3];
                for (int c = 0; c < 3; ++c)
                    n[c] = texel(*map, x, y, c) / 127.5f - 1;
                ASSERT_GT(n[2], 0.2f) << x << "," << y;
                ASSERT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, tolerance) << x << "," << y;
                flat += n[2] > 0.999f ? 1 : 0;
            }
        EXPECT_LT(flat, 0.95 * (map->width() / 3) * (map->height() / 3)) << "the map carries no relief";
    }
}

// ---------------------------------------------------------------------------
// Meshes

struct RawMesh {
    std::vector<float> vertices; // x y z u v
    std::vector<int> indices;
};

// Reads the records straight from the file, independent of the loader.
std::vector<RawMesh> readRawQBR(const std::string& path)
{
    std::vector<char> bytes = readBytes(path);
    size_t at = 0;
    auto take = [&](void* out, size_t n) {
        if (at + n > bytes.size())
            throw std::runtime_error(path + ": truncated");
        std::memcpy(out, bytes.data() + at, n);
        at += n;
    };
    int32_t meshes = 0;
    take(&meshes, 4);
    std::vector<RawMesh> out(meshes);
    for (RawMesh& m : out) {
        int32_t v = 0, t = 0, l = 0;
        take(&v, 4);
        take(&t, 4);
        take(&l, 4);
        at += l;
        m.vertices.resize(static_cast<size_t>(v) * 5);
        m.indices.resize(static_cast<size_t>(t) * 3);
        take(m.vertices.data(), m.vertices.size() * 4);
        take(m.indices.data(), m.indices.size() * 4);
    }
    return out;
}

TEST_F(GeneratedAssets, MeshesLoadWithFiniteTangentFrames)
{
    TestSupport::glContext();
    for (const char* name : kMeshes) {
        SCOPED_TRACE(name);
        FrontendExt::QBRLoader loader(FrontendExt::File(first + "/" + name, "rb"), 4, 4);
        ASSERT_GE(loader.meshCount(), 1);
        for (int m = 0; m < loader.meshCount(); ++m) {
            FrontendExt::Geometry& mesh = loader.mesh(m);
            int vertices = mesh.vertexBuffers[0]->vertexCount();
            int indexCount = mesh.indexBuffer->indexCount();
            ASSERT_GT(vertices, 0);
            ASSERT_GT(indexCount, 0);
            std::unique_ptr<FrontendExt::Geometry::Indices> indices(mesh.getIndices());
            for (int i = 0; i < indexCount; ++i) {
                int index = indices->get(i);
                ASSERT_TRUE(index >= 0 && index < vertices) << "index " << i << " = " << index;
            }
            indices.reset();
            // A degenerate texture mapping or an unused vertex leaves NaN or zero frames.
            for (int semantic : {10, 4, 5}) {
                std::unique_ptr<FrontendExt::Geometry::Attribute> frame(mesh.getAttribute(semantic));
                ASSERT_TRUE(frame);
                for (int v = 0; v < vertices; ++v) {
                    float f[4] = {0, 0, 0, 0};
                    frame->get(f, v);
                    float len = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
                    ASSERT_TRUE(std::isfinite(len) && len > 0.01f) << "semantic " << semantic << " vertex " << v;
                }
            }
        }
    }
}

// The outward flux of the loader's own vertex normals, summed over the
// triangles (area times the mean normal, dotted with the face's centre):
// for a closed solid with outward normals this approaches three times its
// volume; inward normals make it negative.
double loadedNormalFlux(FrontendExt::Geometry& mesh)
{
    std::unique_ptr<FrontendExt::Geometry::Attribute> positions(mesh.getAttribute(0));
    std::unique_ptr<FrontendExt::Geometry::Attribute> normals(mesh.getAttribute(10));
    std::unique_ptr<FrontendExt::Geometry::Indices> indices(mesh.getIndices());
    double flux = 0;
    for (int t = 0; t + 2 < mesh.indexBuffer->indexCount(); t += 3) {
        double p[3][4] = {}, n[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            float pf[4] = {0, 0, 0, 0}, nf[4] = {0, 0, 0, 0};
            positions->get(pf, indices->get(t + k));
            normals->get(nf, indices->get(t + k));
            for (int c = 0; c < 3; ++c) {
                p[k][c] = pf[c];
                n[c] += nf[c] / 3;
            }
        }
        double e1[3], e2[3];
        for (int c = 0; c < 3; ++c) {
            e1[c] = p[1][c] - p[0][c];
            e2[c] = p[2][c] - p[0][c];
        }
        double area =
            0.5 * std::sqrt(std::pow(e1[1] * e2[2] - e1[2] * e2[1], 2) + std::pow(e1[2] * e2[0] - e1[0] * e2[2], 2) +
                            std::pow(e1[0] * e2[1] - e1[1] * e2[0], 2));
        for (int c = 0; c < 3; ++c)
            flux += area * n[c] * (p[0][c] + p[1][c] + p[2][c]) / 3;
    }
    return flux;
}

// Every solid must be closed and its loaded normals must point out of it.
// Welded by position, each directed edge has its reverse; the loader takes
// (P0 - P1) x (P2 - P1) as a face normal, so the triangles are wound clockwise
// seen from outside (negative signed volume), and the normals it computes
// carry a positive outward flux of about three times the volume.
TEST_F(GeneratedAssets, SolidMeshesAreClosedWithOutwardLoadedNormals)
{
    TestSupport::glContext();
    for (const char* name :
         {"cross.qbr", "morvask.qbr", "jiha.qbr", "gaffel.qbr", "seastar.qbr", "atsolskogen.qbr", "skate.qbr"}) {
        SCOPED_TRACE(name);
        std::vector<RawMesh> raw = readRawQBR(first + "/" + name);
        FrontendExt::QBRLoader loader(FrontendExt::File(first + "/" + name, "rb"), 4, 4);
        ASSERT_EQ(loader.meshCount(), static_cast<int>(raw.size()));
        for (size_t m = 0; m < raw.size(); ++m) {
            const RawMesh& mesh = raw[m];
            std::map<std::tuple<long, long, long>, int> weld;
            std::vector<int> id(mesh.vertices.size() / 5);
            for (size_t v = 0; v < id.size(); ++v) {
                auto key = std::make_tuple(std::lround(mesh.vertices[v * 5] * 1000),
                                           std::lround(mesh.vertices[v * 5 + 1] * 1000),
                                           std::lround(mesh.vertices[v * 5 + 2] * 1000));
                id[v] = weld.emplace(key, static_cast<int>(weld.size())).first->second;
            }
            std::map<std::pair<int, int>, int> edges;
            double volume = 0;
            for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
                const float* p[3];
                for (int k = 0; k < 3; ++k) {
                    p[k] = &mesh.vertices[static_cast<size_t>(mesh.indices[t + k]) * 5];
                    int a = id[mesh.indices[t + k]], b = id[mesh.indices[t + (k + 1) % 3]];
                    if (a != b)
                        ++edges[{a, b}];
                }
                volume += (p[0][0] * (p[1][1] * p[2][2] - p[1][2] * p[2][1]) -
                           p[0][1] * (p[1][0] * p[2][2] - p[1][2] * p[2][0]) +
                           p[0][2] * (p[1][0] * p[2][1] - p[1][1] * p[2][0])) /
                          6;
            }
            int open = 0;
            for (const auto& [edge, count] : edges) {
                auto reverse = edges.find({edge.second, edge.first});
                open += reverse == edges.end() || reverse->second != count ? 1 : 0;
            }
            EXPECT_EQ(open, 0) << "edges without a matching reverse edge";
            EXPECT_LT(volume, 0.0) << "triangles wound counter-clockwise seen from outside";
            double flux = loadedNormalFlux(loader.mesh(static_cast<int>(m)));
            EXPECT_GT(flux, 3 * -volume * 0.5) << "loaded normals point inward or scatter";
        }
    }
}

TEST(AssetTool, RejectsUnknownNamesAndBadArguments)
{
    std::string dir = TestSupport::makeTempDir("assets-bad");
    // 2 for a bad command line, 1 for a request it cannot carry out.
    EXPECT_EQ(runTool("\"" + dir + "\" --only nosuch.png"), 1);
    EXPECT_EQ(runTool(""), 2);
    EXPECT_EQ(runTool("--frobnicate"), 2);
    EXPECT_EQ(runTool("\"" + dir + "\" --only cross.qbr"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir + "/cross.qbr"));
    std::filesystem::remove_all(dir);
}

} // namespace

TEST(FuzzCorpus, EverySeedIsAValidFileOfItsFormat)
{
    const std::string dir = TestSupport::makeTempDir("fuzz-corpus");
    EXPECT_EQ(Assets::writeFuzzCorpus(dir), 13);
    int read = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        const std::string path = entry.path().string();
        const std::string kind = entry.path().parent_path().filename().string();
        FrontendExt::File file(path, "rb");
        const std::vector<unsigned char> bytes = file.readAll();
        if (kind == "qbr")
            FrontendExt::decodeQBR(bytes.data(), bytes.size(), path);
        else if (kind == "kdx")
            EXPECT_EQ(Halvane::Scene(file).errorText, "") << path;
        else
            EXPECT_GT(FrontendExt::ImageLoader(bytes, path).width(), 0) << path;
        ++read;
    }
    EXPECT_EQ(read, 13);
    std::filesystem::remove_all(dir);
}
