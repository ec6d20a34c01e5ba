#include "tools/assets/raster/Codec.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"

namespace Assets {

namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void onJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

constexpr int kPngLevel = 9;

} // namespace

void saveJpeg(const std::string& path, const Picture& picture, int quality, bool fullColour)
{
    std::vector<unsigned char> rgb = picture.toRGB8();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        throw Frontend::Error(path + ": cannot open for writing");

    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onJpegError;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::fclose(out);
        throw Frontend::Error(path + ": JPEG encoding failed");
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = TRUE;
    if (fullColour) {
        info.comp_info[0].h_samp_factor = 1;
        info.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    const int stride = picture.width() * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(info.next_scanline) * stride];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(out) != 0)
        throw Frontend::Error(path + ": write error");
}

void savePngRGB(const std::string& path, const Picture& picture)
{
    std::vector<unsigned char> rgb = picture.toRGB8();
    FrontendExt::writePng(path.c_str(), picture.width(), picture.height(), rgb.data(), kPngLevel);
}

void savePngRGBA(const std::string& path, const Picture& picture)
{
    std::vector<unsigned char> rgba = picture.toRGBA8();
    FrontendExt::writePngRGBA(path.c_str(), picture.width(), picture.height(), rgba.data(), kPngLevel);
}

} // namespace Assets
