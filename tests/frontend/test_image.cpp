// File, picture decoding and PNG encoding. The test pictures are made here
// with libpng and libjpeg directly, so the decoder is checked against files
// it did not write itself.
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "frontend/Limits.h"
#include "tests/support/TestContext.h"

using FrontendExt::File;
using FrontendExt::ImageLoader;
using Bytes = std::vector<unsigned char>;

namespace {

struct PngSpec {
    int width;
    int height;
    int colourType; // PNG_COLOR_TYPE_*
    int bitDepth;
    Bytes rowsTopFirst; // packed as the file stores them
    std::vector<png_color> palette;
    Bytes transparency;
};

void writeRawPng(const std::string& path, const PngSpec& spec)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    if (!spec.transparency.empty())
        png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()), nullptr);
    png_write_info(png, info);
    size_t stride = spec.rowsTopFirst.size() / spec.height;
    for (int y = 0; y < spec.height; ++y)
        png_write_row(png, spec.rowsTopFirst.data() + stride * y);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void writeJpeg(const std::string& path, int width, int height, int components, const Bytes& topFirst,
               bool progressive = false)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<unsigned char*>(topFirst.data()) + static_cast<size_t>(y) * width * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

// An independent reader for what writePng produced: 8-bit RGB(A), top row first.
Bytes readPngTopFirst(const std::string& path, int& width, int& height, int& channels)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    channels = (image.format & PNG_FORMAT_FLAG_ALPHA) ? 4 : 3;
    image.format = channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    Bytes pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    return pixels;
}

Bytes readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const unsigned char* pixelAt(const ImageLoader& image, int x, int row)
{
    int channels = image.format() == 0 ? 4 : 3;
    return image.data() + (static_cast<size_t>(row) * image.width() + x) * channels;
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override { dir = TestSupport::makeTempDir("image"); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const char* name) const { return dir + "/" + name; }

    // Loading must fail with a Frontend::Error that names the file.
    void expectRefused(const std::string& file)
    {
        try {
            ImageLoader image{File(file, "rb")};
            ADD_FAILURE() << file << " decoded to " << image.width() << " x " << image.height();
        } catch (const Frontend::Error& error) {
            EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
        }
    }

    std::string dir;
};

// 3 x 2 RGB picture, top row red, green, blue; bottom row white, black, grey.
const Bytes kRgb3x2 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};

TEST_F(Pictures, FileSizeRewindsAndSeekFollowsItsOrigins)
{
    writeAll(path("empty"), {});
    File empty(path("empty"), "rb");
    EXPECT_EQ(empty.size(), 0);

    writeAll(path("abc"), {'a', 'b', 'c', 'd', 'e', 'f'});
    File file(path("abc"), "rb");
    char got[3] = {};
    ASSERT_EQ(file.read(got, 1, 3), 3u);
    EXPECT_EQ(file.size(), 6);
    ASSERT_EQ(file.read(got, 1, 1), 1u);
    EXPECT_EQ(got[0], 'a') << "size must rewind to the start";

    EXPECT_EQ(file.seek(-2, 2), 0);
    file.read(got, 1, 1);
    EXPECT_EQ(got[0], 'e');
    EXPECT_EQ(file.seek(-3, 1), 0);
    file.read(got, 1, 1);
    EXPECT_EQ(got[0], 'c');
    EXPECT_NE(file.seek(0, 7), 0);
    file.read(got, 1, 1);
    EXPECT_EQ(got[0], 'd') << "an unknown origin must not move";
    EXPECT_EQ(file.read(got, 2, 2), 1u) << "counts whole items only";
}

TEST_F(Pictures, FileReadAllTakesTheWholeFileOrNamesIt)
{
    writeAll(path("abc"), {'a', 'b', 'c'});
    File file(path("abc"), "rb");
    char first = 0;
    file.read(&first, 1, 1);
    EXPECT_EQ(file.readAll(), (Bytes{'a', 'b', 'c'})) << "reads from the start whatever was read before";

    File writeOnly(path("abc"), "ab"); // has a length but cannot be read
    try {
        writeOnly.readAll();
        ADD_FAILURE() << "a short read went unnoticed";
    } catch (const Frontend::Error& error) {
        EXPECT_EQ(std::string(error.what()), path("abc") + ": read 0 of 3 bytes");
    }
}

TEST_F(Pictures, FileOwnershipMovesAndMissingFilesThrow)
{
    writeAll(path("data"), {'x', 'y'});
    File first(path("data"), "rb");
    File second(std::move(first));
    char c = 0;
    EXPECT_EQ(first.read(&c, 1, 1), 0u); // NOLINT: a moved-from file reads nothing
    EXPECT_EQ(second.read(&c, 1, 1), 1u);
    EXPECT_EQ(second.path(), path("data"));

    File third(path("data"), "rb");
    third = std::move(second);
    EXPECT_EQ(third.read(&c, 1, 1), 1u);
    EXPECT_EQ(c, 'y') << "the moved stream keeps its position";

    try {
        File missing(path("missing.png"), "rb");
        ADD_FAILURE() << "opened a file that is not there";
    } catch (const Frontend::Error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "cannot open file '" + path("missing.png") + "': No such file or directory");
    }
}

TEST_F(Pictures, OnlyRegularFilesOfBoundedSizeAreRead)
{
    std::filesystem::create_directory(path("folder.kdx"));
    ASSERT_EQ(mkfifo(path("pipe.mp3").c_str(), 0600), 0); // no writer: opening it must not wait
    const std::pair<const char*, std::string> cases[] = {
        {"folder.kdx", "it is a directory"}, {"pipe.mp3", "it is a pipe"}, {"pipe.mp3/x", "Not a directory"}};
    for (const auto& [name, cause] : cases) {
        try {
            File file(path(name), "rb");
            ADD_FAILURE() << "opened " << name;
        } catch (const Frontend::Error& error) {
            EXPECT_EQ(std::string(error.what()), "cannot open file '" + path(name) + "': " + cause);
        }
    }

    writeAll(path("huge"), {}); // grown sparse: costs no disk
    std::filesystem::resize_file(path("huge"), Frontend::Limits::kMaxFileBytes + 1);
    File huge(path("huge"), "rb");
    EXPECT_THROW(huge.readAll(), Frontend::Error);
}

TEST_F(Pictures, PngRowsArriveBottomFirstInBothLayouts)
{
    writeRawPng(path("rgb.png"), {3, 2, PNG_COLOR_TYPE_RGB, 8, kRgb3x2, {}, {}});
    ImageLoader rgb{File(path("rgb.png"), "rb")};
    ASSERT_EQ(rgb.width(), 3);
    ASSERT_EQ(rgb.height(), 2);
    EXPECT_EQ(rgb.format(), 1);
    // The picture's top row is the last row of data.
    EXPECT_EQ(Bytes(rgb.data(), rgb.data() + 18),
              Bytes({255, 255, 255, 0, 0, 0, 128, 128, 128, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    Bytes rgba = {10, 20, 30, 40, 50, 60, 70, 80, // top row
                  1,  2,  3,  4,  5,  6,  7,  8};
    writeRawPng(path("rgba.png"), {2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, rgba, {}, {}});
    ImageLoader alpha{File(path("rgba.png"), "rb")};
    EXPECT_EQ(alpha.format(), 0);
    EXPECT_EQ(Bytes(alpha.data(), alpha.data() + 16), Bytes({1, 2, 3, 4, 5, 6, 7, 8, 10, 20, 30, 40, 50, 60, 70, 80}));
}

TEST_F(Pictures, JpegTopLeftLandsInTheLastRow)
{
    // 16 x 16 of flat 8 x 8 blocks: top-left red, everything else blue.
    Bytes rgb(16 * 16 * 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool red = x < 8 && y < 8;
            unsigned char* p = &rgb[(y * 16 + x) * 3];
            p[0] = red ? 255 : 0;
            p[2] = red ? 0 : 255;
        }
    writeJpeg(path("rgb.jpg"), 16, 16, 3, rgb);
    ImageLoader image{File(path("rgb.jpg"), "rb")};
    EXPECT_EQ(image.format(), 1);
    ASSERT_EQ(image.width(), 16);
    ASSERT_EQ(image.height(), 16);
    const unsigned char* topLeft = pixelAt(image, 0, 15);
    EXPECT_GT(topLeft[0], 230);
    EXPECT_LT(topLeft[2], 30);
    const unsigned char* bottomLeft = pixelAt(image, 0, 0);
    EXPECT_LT(bottomLeft[0], 30);
    EXPECT_GT(bottomLeft[2], 230);

    Bytes grey(8 * 8, 90);
    writeJpeg(path("grey.jpg"), 8, 8, 1, grey);
    ImageLoader widened{File(path("grey.jpg"), "rb")};
    EXPECT_EQ(widened.format(), 1);
    const unsigned char* p = pixelAt(widened, 3, 3);
    EXPECT_NEAR(p[0], 90, 2);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
}

TEST_F(Pictures, GreyPaletteAndSixteenBitSourcesAreConverted)
{
    writeRawPng(path("grey.png"), {2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 200}, {}, {}});
    ImageLoader grey{File(path("grey.png"), "rb")};
    EXPECT_EQ(grey.format(), 1);
    EXPECT_EQ(Bytes(grey.data(), grey.data() + 6), Bytes({7, 7, 7, 200, 200, 200}));

    writeRawPng(path("greyalpha.png"), {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {50, 60}, {}, {}});
    ImageLoader greyAlpha{File(path("greyalpha.png"), "rb")};
    EXPECT_EQ(greyAlpha.format(), 0);
    EXPECT_EQ(Bytes(greyAlpha.data(), greyAlpha.data() + 4), Bytes({50, 50, 50, 60}));

    PngSpec palette{2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{9, 8, 7}, {100, 110, 120}}, {}};
    writeRawPng(path("palette.png"), palette);
    ImageLoader opaque{File(path("palette.png"), "rb")};
    EXPECT_EQ(opaque.format(), 1);
    EXPECT_EQ(Bytes(opaque.data(), opaque.data() + 6), Bytes({100, 110, 120, 9, 8, 7}));

    palette.transparency = {0, 255};
    writeRawPng(path("palette-alpha.png"), palette);
    ImageLoader keyed{File(path("palette-alpha.png"), "rb")};
    EXPECT_EQ(keyed.format(), 0);
    EXPECT_EQ(Bytes(keyed.data(), keyed.data() + 8), Bytes({100, 110, 120, 255, 9, 8, 7, 0}));

    // 16-bit big-endian samples keep their high byte.
    writeRawPng(path("deep.png"), {1, 1, PNG_COLOR_TYPE_RGB, 16, {0xAB, 0x12, 0x01, 0xFF, 0xFF, 0x00}, {}, {}});
    ImageLoader deep{File(path("deep.png"), "rb")};
    EXPECT_EQ(deep.format(), 1);
    EXPECT_EQ(Bytes(deep.data(), deep.data() + 3), Bytes({0xAB, 0x01, 0xFF}));

    writeRawPng(path("bits.png"), {8, 1, PNG_COLOR_TYPE_GRAY, 1, {0x81}, {}, {}});
    ImageLoader bits{File(path("bits.png"), "rb")};
    EXPECT_EQ(bits.format(), 1);
    EXPECT_EQ(pixelAt(bits, 0, 0)[0], 255);
    EXPECT_EQ(pixelAt(bits, 1, 0)[0], 0);
    EXPECT_EQ(pixelAt(bits, 7, 0)[0], 255);
}

TEST_F(Pictures, DamagedOrForeignFilesAreRefusedWithTheirName)
{
    Bytes noise(64 * 64 * 3);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 7919 % 251);
    writeRawPng(path("good.png"), {64, 64, PNG_COLOR_TYPE_RGB, 8, noise, {}, {}});
    writeJpeg(path("good.jpg"), 64, 64, 3, noise);
    Bytes png = readAll(path("good.png"));
    Bytes jpg = readAll(path("good.jpg"));

    writeAll(path("cut.png"), Bytes(png.begin(), png.begin() + png.size() / 2));
    expectRefused(path("cut.png"));
    writeAll(path("cut.jpg"), Bytes(jpg.begin(), jpg.begin() + jpg.size() / 2));
    expectRefused(path("cut.jpg"));
    writeAll(path("header-only.jpg"), Bytes(jpg.begin(), jpg.begin() + 4));
    expectRefused(path("header-only.jpg"));

    Bytes damaged = png;
    for (size_t i = png.size() / 2; i < png.size() / 2 + 40; ++i)
        damaged[i] ^= 0x5A;
    writeAll(path("damaged.png"), damaged);
    expectRefused(path("damaged.png"));

    writeAll(path("text.png"), {'h', 'e', 'l', 'l', 'o'});
    expectRefused(path("text.png"));
    writeAll(path("empty.jpg"), {});
    expectRefused(path("empty.jpg"));
}

TEST_F(Pictures, ProgressiveJpegsOfTooManyScansAreRefusedNamingTheLimit)
{
    writeJpeg(path("p.jpg"), 3, 2, 3, kRgb3x2, true);
    const Bytes file = readAll(path("p.jpg"));
    // The first scan (DC values), repeated as a hostile file would: each
    // repeat is valid and costs a pass. The library's progression has ten.
    const Bytes sos = {0xFF, 0xDA};
    auto first = std::search(file.begin(), file.end(), sos.begin(), sos.end());
    ASSERT_NE(first, file.end());
    auto next = first + 2;
    while (!(next[0] == 0xFF && next[1] != 0 && (next[1] < 0xD0 || next[1] > 0xD7)))
        ++next;
    auto repeated = [&](int scans) {
        Bytes bytes(file.begin(), first);
        for (int i = 0; i < scans - 9; ++i)
            bytes.insert(bytes.end(), first, next);
        bytes.insert(bytes.end(), next, file.end());
        return bytes;
    };
    writeAll(path("1000.jpg"), repeated(1000));
    EXPECT_EQ(ImageLoader(File(path("1000.jpg"), "rb")).width(), 3);
    writeAll(path("1001.jpg"), repeated(1001));
    try {
        ImageLoader image{File(path("1001.jpg"), "rb")};
        ADD_FAILURE() << "decoded";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("1001.jpg': progressive JPEG of more than 1000 scans"),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(Pictures, OversizedPicturesAreRefusedFromTheirHeaders)
{
    auto expectMessage = [&](const char* name, const std::string& text) {
        try {
            ImageLoader image{File(path(name), "rb")};
            ADD_FAILURE() << name << " decoded";
        } catch (const Frontend::Error& error) {
            EXPECT_EQ(std::string(error.what()), "cannot decode picture '" + path(name) + "': " + text);
        }
    };
    const int side = Frontend::Limits::kMaxPictureSide + 1;
    const std::string limit = "; pictures of 1 to " + std::to_string(side - 1) + " pixels a side are read";
    writeRawPng(path("tall.png"), {1, side, PNG_COLOR_TYPE_GRAY, 8, Bytes(side), {}, {}});
    expectMessage("tall.png", "it declares 1 x " + std::to_string(side) + " pixels" + limit);
    writeJpeg(path("wide.jpg"), 60000, 1, 1, Bytes(60000));
    expectMessage("wide.jpg", "it declares 60000 x 1 pixels" + limit);

    // A few bytes that declare a large picture are refused before its rows are allocated.
    writeRawPng(path("black.png"), {1024, 1024, PNG_COLOR_TYPE_RGB, 8, Bytes(1024 * 1024 * 3), {}, {}});
    Bytes black = readAll(path("black.png"));
    writeAll(path("cut-black.png"), Bytes(black.begin(), black.begin() + 100));
    expectMessage("cut-black.png", "corrupt PNG (the file is far too small for the picture it declares)");
}

TEST_F(Pictures, WritePngStoresRowsTopFirstForAnySize)
{
    FrontendExt::writePng(path("out.png").c_str(), 3, 2, kRgb3x2.data(), 1);
    int width = 0, height = 0, channels = 0;
    EXPECT_EQ(readPngTopFirst(path("out.png"), width, height, channels), kRgb3x2);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(channels, 3);

    Bytes tall(1 * 1001 * 3);
    for (size_t i = 0; i < tall.size(); ++i)
        tall[i] = static_cast<unsigned char>(i);
    for (int level : {0, 2, 9}) {
        FrontendExt::writePng(path("tall.png").c_str(), 1, 1001, tall.data(), level);
        EXPECT_EQ(readPngTopFirst(path("tall.png"), width, height, channels), tall) << "level " << level;
    }

    Bytes rgba = {1, 2, 3, 0, 4, 5, 6, 255, 7, 8, 9, 128};
    FrontendExt::writePngRGBA(path("alpha.png").c_str(), 1, 3, rgba.data(), 6);
    EXPECT_EQ(readPngTopFirst(path("alpha.png"), width, height, channels), rgba);
    EXPECT_EQ(channels, 4);

    EXPECT_THROW(FrontendExt::writePng((dir + "/no/such/dir.png").c_str(), 3, 2, kRgb3x2.data(), 1), Frontend::Error);
    EXPECT_THROW(FrontendExt::writePng(path("zero.png").c_str(), 0, 2, kRgb3x2.data(), 1), Frontend::Error);
}

} // namespace
