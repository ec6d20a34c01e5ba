// Picture decoding (libjpeg-turbo, libpng) and PNG encoding.
//
// The whole file is read into memory and decoded from there. Every source
// layout ends up as 8-bit RGB (format 1) or 8-bit RGBA (format 0) rows,
// bottom row first, the way OpenGL wants texture rows. Both libraries report
// errors through callbacks that must not return; they longjmp back into the
// one function that set the jump, whose locals are all trivially destructible,
// so no destructor is skipped. A bad file becomes a Frontend::Error naming the
// file and the problem; nothing is ever left half-filled.
#include "frontend/ImageLoader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "frontend/Error.h"
#include "frontend/Limits.h"

namespace FrontendExt {

namespace {

// Deflate never packs more than 1032 bytes into one: a PNG whose declared
// rows could not come out of its size is cut or forged, and is refused
// before its rows are allocated.
constexpr uint64_t kMaxDeflateRatio = 1032;

enum class Outcome { kDecoded, kFailed, kTooLarge };

struct Picture {
    std::vector<unsigned char> pixels; // bottom row first
    int width = 0;
    int height = 0;
    int channels = 3;
};

[[noreturn]] void decodeFailure(const std::string& path, const std::string& problem)
{
    throw Frontend::Error("cannot decode picture '" + path + "': " + problem);
}

bool sideOutOfRange(unsigned width, unsigned height)
{
    const unsigned limit = Frontend::Limits::kMaxPictureSide;
    return width == 0 || height == 0 || width > limit || height > limit;
}

[[noreturn]] void sizeFailure(const std::string& path, const Picture& declared)
{
    decodeFailure(path, "it declares " + std::to_string(declared.width) + " x " + std::to_string(declared.height) +
                            " pixels; pictures of 1 to " + std::to_string(Frontend::Limits::kMaxPictureSide) +
                            " pixels a side are read");
}

// ---- PNG -------------------------------------------------------------------

struct PngSource {
    const unsigned char* bytes;
    size_t size;
    size_t offset;
    char problem[256];
    std::jmp_buf jump;
};

void pngFail(png_structp png, png_const_charp message)
{
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->problem, sizeof source->problem, "%s", message);
    std::longjmp(source->jump, 1);
}

void pngWarn(png_structp, png_const_charp)
{
}

void pngRead(png_structp png, png_bytep destination, png_size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset)
        png_error(png, "file is truncated");
    std::memcpy(destination, source->bytes + source->offset, length);
    source->offset += length;
}

// Runs libpng between setjmp and the last longjmp it might take. Picture and
// rows live in the caller's frame; this frame only holds plain values.
Outcome runPngDecode(PngSource& source, png_structp png, png_infop info, Picture& picture, std::vector<png_bytep>& rows)
{
    if (setjmp(source.jump))
        return Outcome::kFailed;
    png_set_read_fn(png, &source, pngRead);
    png_read_info(png, info);

    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    picture.width = static_cast<int>(std::min<png_uint_32>(width, INT32_MAX));
    picture.height = static_cast<int>(std::min<png_uint_32>(height, INT32_MAX));
    if (sideOutOfRange(width, height))
        return Outcome::kTooLarge;
    const uint64_t packedBytes = static_cast<uint64_t>(height) * (png_get_rowbytes(png, info) + 1);
    if (packedBytes > kMaxDeflateRatio * source.size)
        png_error(png, "the file is far too small for the picture it declares");

    // Every layout to 8-bit RGB or RGBA.
    png_set_expand(png); // palette -> RGB, grey < 8 bits -> 8 bits, tRNS -> alpha
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int channels = png_get_channels(png, info);
    if (channels != 3 && channels != 4)
        png_error(png, "unsupported channel layout");
    picture.channels = channels;
    size_t stride = static_cast<size_t>(width) * channels;
    picture.pixels.resize(stride * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) // first file row is the top row: store it last
        rows[y] = picture.pixels.data() + stride * (height - 1 - y);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return Outcome::kDecoded;
}

Picture decodePng(const std::string& path, const std::vector<unsigned char>& file)
{
    PngSource source{file.data(), file.size(), 0, {}, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, pngFail, pngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        decodeFailure(path, "out of memory");
    }
    Picture picture;
    std::vector<png_bytep> rows;
    Outcome outcome = runPngDecode(source, png, info, picture, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (outcome == Outcome::kTooLarge)
        sizeFailure(path, picture);
    if (outcome == Outcome::kFailed)
        decodeFailure(path, std::string("corrupt PNG (") + source.problem + ")");
    return picture;
}

// ---- JPEG ------------------------------------------------------------------

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char problem[JMSG_LENGTH_MAX];
    bool tooManyScans;
};

// Each scan of a progressive file is a pass over the whole coefficient buffer,
// so repeated scans cost time without bound; the library calls this between
// passes, where the count can stop it.
void jpegProgress(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number <= Frontend::Limits::kMaxJpegScans)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    errors->tooManyScans = true;
    std::longjmp(errors->jump, 1);
}

void jpegFail(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    info->err->format_message(info, errors->problem);
    std::longjmp(errors->jump, 1);
}

// libjpeg only warns about missing or damaged data and fills the rest of the
// picture with grey; for the demo a damaged picture is an error.
void jpegMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace messages
    int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_HUFF_BAD_CODE)
        jpegFail(info);
}

Outcome runJpegDecode(jpeg_decompress_struct& info, JpegErrors& errors, const std::vector<unsigned char>& file,
                      Picture& picture)
{
    if (setjmp(errors.jump))
        return Outcome::kFailed;
    jpeg_create_decompress(&info);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = jpegProgress;
    info.progress = &progress;
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    picture.width = static_cast<int>(info.image_width); // JPEG sides are 16-bit
    picture.height = static_cast<int>(info.image_height);
    if (sideOutOfRange(info.image_width, info.image_height))
        return Outcome::kTooLarge;
    info.out_color_space = JCS_RGB; // grey sources are widened; CMYK is refused by the library
    jpeg_start_decompress(&info);
    if (info.output_components != 3)
        ERREXIT(&info, JERR_CONVERSION_NOTIMPL);

    picture.channels = 3;
    size_t stride = static_cast<size_t>(info.output_width) * 3;
    picture.pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.pixels.data() + stride * (info.output_height - 1 - info.output_scanline);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return Outcome::kDecoded;
}

Picture decodeJpeg(const std::string& path, const std::vector<unsigned char>& file)
{
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFail;
    errors.manager.emit_message = jpegMessage;
    Picture picture;
    Outcome outcome = runJpegDecode(info, errors, file, picture);
    jpeg_destroy_decompress(&info);
    if (outcome == Outcome::kTooLarge)
        sizeFailure(path, picture);
    if (outcome == Outcome::kFailed && errors.tooManyScans)
        decodeFailure(path, "progressive JPEG of more than " + std::to_string(Frontend::Limits::kMaxJpegScans) +
                                " scans, the limit");
    if (outcome == Outcome::kFailed)
        decodeFailure(path, std::string("corrupt JPEG (") + errors.problem + ")");
    return picture;
}

bool isPng(const std::vector<unsigned char>& file)
{
    return file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0;
}

bool isJpeg(const std::vector<unsigned char>& file)
{
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
}

// ---- PNG encoding ----------------------------------------------------------

struct PngSink {
    char problem[256];
    std::jmp_buf jump;
};

void pngWriteFail(png_structp png, png_const_charp message)
{
    auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->problem, sizeof sink->problem, "%s", message);
    std::longjmp(sink->jump, 1);
}

struct PngLayout {
    int width;
    int height;
    int channels;
    int level;
    const unsigned char* topFirst;
};

bool runPngEncode(PngSink& sink, png_structp png, png_infop info, std::FILE* stream, const PngLayout& layout)
{
    if (setjmp(sink.jump))
        return false;
    png_init_io(png, stream);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width), static_cast<png_uint_32>(layout.height), 8,
                 layout.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, layout.level);
    // Fast levels serve frame dumps written while a key is held: one cheap
    // filter keeps most of the compression at a fraction of the time.
    if (layout.level <= 3)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(layout.width) * layout.channels;
    for (int y = 0; y < layout.height; ++y)
        png_write_row(png, layout.topFirst + stride * y);
    png_write_end(png, nullptr);
    return true;
}

void encodePng(const char* path, const PngLayout& layout)
{
    std::string name = path ? path : "";
    if (layout.width <= 0 || layout.height <= 0 || !layout.topFirst)
        throw Frontend::Error("cannot write PNG '" + name + "': empty picture");
    std::FILE* stream = std::fopen(name.c_str(), "wb");
    if (!stream)
        throw Frontend::Error("cannot write PNG '" + name + "': cannot open file");
    std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);

    PngSink sink{};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, pngWriteFail, pngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = info && runPngEncode(sink, png, info, stream, layout);
    png_destroy_write_struct(&png, &info);
    bool flushed = std::fclose(stream) == 0;
    if (!written || !flushed) {
        std::remove(name.c_str());
        throw Frontend::Error("cannot write PNG '" + name + "': " + (written ? "write failed" : sink.problem));
    }
}

int clampLevel(int level)
{
    return level < 0 ? 0 : (level > 9 ? 9 : level);
}

} // namespace

ImageLoader::ImageLoader(File file) : ImageLoader(file.readAll(), file.path())
{
}

ImageLoader::ImageLoader(const std::vector<unsigned char>& bytes, const std::string& path)
{
    if (bytes.empty())
        decodeFailure(path, "the file is empty");

    Picture picture;
    if (isPng(bytes))
        picture = decodePng(path, bytes);
    else if (isJpeg(bytes))
        picture = decodeJpeg(path, bytes);
    else
        decodeFailure(path, "neither a JPEG nor a PNG file");

    pixels = std::move(picture.pixels);
    imageWidth = picture.width;
    imageHeight = picture.height;
    imageFormat = picture.channels == 4 ? Frontend::kFormatRGBA : Frontend::kFormatRGB;
}

void writePng(const char* path, int width, int height, const unsigned char* rgbTopFirst, int compressionLevel)
{
    encodePng(path, {width, height, 3, clampLevel(compressionLevel), rgbTopFirst});
}

void writePngRGBA(const char* path, int width, int height, const unsigned char* rgbaTopFirst, int compressionLevel)
{
    encodePng(path, {width, height, 4, clampLevel(compressionLevel), rgbaTopFirst});
}

} // namespace FrontendExt
